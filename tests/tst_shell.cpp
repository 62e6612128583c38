#include "platform/shell.h"
#include "testmain.h"

#include <QElapsedTimer>
#include <QFile>
#include <QTemporaryDir>

#include <unistd.h>

using namespace platform;

class TestShell : public QObject
{
    Q_OBJECT

private slots:
    void cleanup() { setShellExecutor({}); }

    void executorReceivesTheCallAsMade();
    void noOpenerLeavesNoTrace_data();
    void noOpenerLeavesNoTrace();
    void openerGetsTheAddressAlone_data();
    void openerGetsTheAddressAlone();
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

void TestShell::openerGetsTheAddressAlone_data()
{
    QTest::addColumn<QByteArray>("file"); // in the ANSI code page
    QTest::addColumn<QByteArray>("argument"); // as the opener gets it, UTF-8

    QTest::newRow("web address") << QByteArray("http://velvane.example.org/")
                                 << QByteArray("http://velvane.example.org/");
    QTest::newRow("mail link") << QByteArray("mailto:orvik@velvane.example.org")
                               << QByteArray("mailto:orvik@velvane.example.org");
    QTest::newRow("blanks, quotes and a shell's specials are one argument, untouched")
        << QByteArray(" http://velvane.example.org/a b?q=\"x\"&r='$(y)'; ")
        << QByteArray(" http://velvane.example.org/a b?q=\"x\"&r='$(y)'; ");
    QTest::newRow("a Windows-1252 letter") << QByteArray("mailto:zo\xEB@velvane.example.org")
                                           << QByteArray("mailto:zo\xC3\xAB@velvane.example.org");
}

// A stand-in opener, first on PATH, notes what it was given and where its
// input and output go, then talks as a failing opener does: none of that may
// reach the terminal the program runs in, and the program does not wait for it.
void TestShell::openerGetsTheAddressAlone()
{
    QFETCH(QByteArray, file);
    QFETCH(QByteArray, argument);

    QTemporaryDir folder;
    QVERIFY(folder.isValid());
    const QString opener = folder.filePath(QStringLiteral("xdg-open"));
    const QString note = folder.filePath(QStringLiteral("note"));
    QFile script(opener);
    QVERIFY(script.open(QIODevice::WriteOnly));
    script.write("#!/bin/sh\n"
                 "note=\"$(dirname \"$0\")/note\"\n"
                 "streams=\"$(readlink /proc/$$/fd/0 /proc/$$/fd/1 /proc/$$/fd/2)\"\n"
                 "printf '%s\\n%s\\n%s\\n%s' \"$#\" \"$PPID\" \"$streams\" \"$1\" > \"$note.new\"\n"
                 "mv \"$note.new\" \"$note\"\n"
                 "echo 'xdg-open: no method available for opening' \"$1\"\n"
                 "echo '/usr/bin/xdg-open: 882: www-browser: not found' >&2\n"
                 "exit 3\n");
    script.close();
    QVERIFY(script.setPermissions(QFileDevice::ReadOwner | QFileDevice::WriteOwner
                                  | QFileDevice::ExeOwner));

    const QByteArray path = qgetenv("PATH");
    qputenv("PATH", QFile::encodeName(folder.path()) + ':' + path);
    const std::intptr_t result = ShellExecuteA(0, "open", file.constData(), "", "", 10);
    qputenv("PATH", path);
    QCOMPARE(int(result), 42);

    QTRY_VERIFY_WITH_TIMEOUT(QFile::exists(note), 10000);
    QFile noted(note);
    QVERIFY(noted.open(QIODevice::ReadOnly));
    QCOMPARE(noted.readLine(), QByteArray("1\n")); // the address, and nothing else
    const qint64 parent = noted.readLine().trimmed().toLongLong();
    QVERIFY2(parent != qint64(getpid()), "the opener is a child the program would have to reap");
    for (const char *stream : { "input", "output", "error output" })
        QVERIFY2(noted.readLine() == QByteArray("/dev/null\n"), stream);
    QCOMPARE(noted.readAll(), argument);
}

VELVANE_TEST_MAIN(TestShell)
#include "tst_shell.moc"
