#include "platform/shell.h"
#include "testmain.h"

#include <QElapsedTimer>

using namespace platform;

class TestShell : public QObject
{
    Q_OBJECT

private slots:
    void cleanup() { setShellExecutor({}); }

    void executorReceivesTheCallAsMade();
    void noOpenerLeavesNoTrace_data();
    void noOpenerLeavesNoTrace();
};

void TestShell::executorReceivesTheCallAsMade()
{
    QStringList calls;
    setShellExecutor([&calls](WindowHandle owner, const char *verb, const char *file,
                              const char *parameters, const char *directory, int show) {
        calls << QStringLiteral("%1|%2|%3|%4|%5|%6")
                     .arg(owner)
                     .arg(QLatin1String(verb), QLatin1String(file), QLatin1String(parameters),
                          QLatin1String(directory))
                     .arg(show);
        return std::intptr_t(42);
    });
    QCOMPARE(ShellExecuteA(7, "open", "http://velvane.example.org/", "", "", 10), 42);
    QCOMPARE(calls, QStringList{ QStringLiteral("7|open|http://velvane.example.org/|||10") });
}

// With no opener to be found (an empty PATH, no BROWSER), the real shell fails
// at once with an error number, shows no window and raises nothing.
void TestShell::noOpenerLeavesNoTrace_data()
{
    QTest::addColumn<QByteArray>("verb");
    QTest::addColumn<QByteArray>("file");
    QTest::addColumn<int>("result");
    QTest::newRow("web address") << QByteArray("open") << QByteArray("http://velvane.example.org/")
                                 << 31;
    QTest::newRow("mail link") << QByteArray("open")
                               << QByteArray("mailto:info@velvane.example.org") << 31;
    QTest::newRow("malformed address fails quietly")
        << QByteArray("open") << QByteArray("http://[::1") << 31;
    QTest::newRow("empty file") << QByteArray("open") << QByteArray() << 2;
    QTest::newRow("verb other than open")
        << QByteArray("print") << QByteArray("http://velvane.example.org/") << 31;
}

void TestShell::noOpenerLeavesNoTrace()
{
    QFETCH(QByteArray, verb);
    QFETCH(QByteArray, file);
    QFETCH(int, result);

    const QByteArray path = qgetenv("PATH");
    const QByteArray browser = qgetenv("BROWSER");
    const QByteArray defaultBrowser = qgetenv("DEFAULT_BROWSER");
    qputenv("PATH", "");
    qunsetenv("BROWSER");
    qunsetenv("DEFAULT_BROWSER");

    QElapsedTimer timer;
    timer.start();
    const std::intptr_t shellResult
        = ShellExecuteA(0, verb.constData(), file.constData(), "", "", 10);
    const qint64 elapsed = timer.elapsed();
    qputenv("PATH", path);
    if (!browser.isNull())
        qputenv("BROWSER", browser);
    if (!defaultBrowser.isNull())
        qputenv("DEFAULT_BROWSER", defaultBrowser);

    QCOMPARE(int(shellResult), result);
    QVERIFY(elapsed < 5000);
    QVERIFY(QApplication::topLevelWidgets().isEmpty());
    QVERIFY(!QApplication::activeModalWidget());
}

VELVANE_TEST_MAIN(TestShell)
#include "tst_shell.moc"
