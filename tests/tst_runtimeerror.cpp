#include "platform/messagebox.h"
#include "platform/runtimeerror.h"
#include "testmain.h"

using namespace platform;

class TestRuntimeError : public QObject
{
    Q_OBJECT

private slots:
    void init();
    void cleanup() { setMessageBoxPresenter({}); }

    void carriesNumberAndDescription();
    void text();
    void runEventReportsAndGoesOn();
    void runEventWithoutErrorShowsNothing();

private:
    struct Shown
    {
        QString prompt;
        int style;
        QString title;
    };
    QList<Shown> m_shown;
};

void TestRuntimeError::init()
{
    m_shown.clear();
    setMessageBoxPresenter([this](const QString &prompt, int style, const QString &title) {
        m_shown.append({ prompt, style, title });
        return vbOK;
    });
}

void TestRuntimeError::carriesNumberAndDescription()
{
    try {
        raiseError(75, QStringLiteral("Path/File access error: D:\\Größe.ini"));
        QFAIL("raiseError returned");
    } catch (const std::exception &error) {
        const auto *runtimeError = dynamic_cast<const RuntimeError *>(&error);
        QVERIFY(runtimeError);
        QCOMPARE(runtimeError->number(), 75);
        QCOMPARE(runtimeError->description(),
                 QStringLiteral("Path/File access error: D:\\Größe.ini"));
        QCOMPARE(QByteArray(error.what()),
                 QStringLiteral("Path/File access error: D:\\Größe.ini").toUtf8());
    }
}

void TestRuntimeError::text()
{
    QCOMPARE(runtimeErrorText(RuntimeError(53, QStringLiteral("File not found"))),
             QStringLiteral("Run-time error '53':\r\rFile not found"));
}

// The handler ends at the failing step, the steps before it stay done, and the
// error is shown once as a critical box under the application title.
void TestRuntimeError::runEventReportsAndGoesOn()
{
    QStringList steps;
    runEvent([&steps] {
        steps << QStringLiteral("first");
        raiseError(481, QStringLiteral("Invalid picture"));
        steps << QStringLiteral("after the error");
    });
    QCOMPARE(steps, QStringList{ QStringLiteral("first") });
    QCOMPARE(m_shown.size(), 1);
    QCOMPARE(m_shown.at(0).prompt, QStringLiteral("Run-time error '481':\r\rInvalid picture"));
    QCOMPARE(m_shown.at(0).style, 16);
    QVERIFY(m_shown.at(0).title.isEmpty()); // the box shows the application title for it

    runEvent([&steps] { steps << QStringLiteral("next event"); });
    QCOMPARE(steps.last(), QStringLiteral("next event"));
}

void TestRuntimeError::runEventWithoutErrorShowsNothing()
{
    bool ran = false;
    runEvent([&ran] { ran = true; });
    QVERIFY(ran);
    QVERIFY(m_shown.isEmpty());
}

VELVANE_TEST_MAIN(TestRuntimeError)
#include "tst_runtimeerror.moc"
