#include "xsession.h"

#include <QDeadlineTimer>
#include <QDir>
#include <QFile>
#include <QRegularExpression>
#include <QTest>
#include <QThread>
#include <QWidget>

#include <X11/Xatom.h>
#include <X11/Xlib.h>
#include <X11/extensions/XTest.h>

#include <cerrno>
#include <csignal>
#include <cstdlib>
#include <fcntl.h>
#include <poll.h>
#include <sys/prctl.h>
#include <sys/wait.h>
#include <unistd.h>

namespace {

XSession *s_instance = nullptr;

// Starts program with its output in log; the child dies with the test, so that
// a crashed test leaves no server behind.
pid_t spawn(const QList<QByteArray> &arguments, const QByteArray &log, int keepOpen = -1)
{
    std::vector<char *> argv;
    for (const QByteArray &argument : arguments)
        argv.push_back(const_cast<char *>(argument.constData()));
    argv.push_back(nullptr);
    const pid_t pid = fork();
    if (pid != 0)
        return pid;
    prctl(PR_SET_PDEATHSIG, SIGKILL);
    const int out = open(log.constData(), O_WRONLY | O_CREAT | O_APPEND | O_CLOEXEC, 0600);
    if (out >= 0) {
        dup2(out, STDOUT_FILENO);
        dup2(out, STDERR_FILENO);
    }
    for (int fd = 3; fd < 256; ++fd) {
        if (fd != keepOpen)
            close(fd);
    }
    execvp(argv[0], argv.data());
    _exit(127);
}

void stop(pid_t &pid)
{
    if (pid <= 0)
        return;
    kill(pid, SIGTERM);
    waitpid(pid, nullptr, 0);
    pid = 0;
}

// The display number Xvfb writes to the descriptor it was given, once it
// accepts clients.
int readDisplayNumber(int fd)
{
    QByteArray text;
    QDeadlineTimer deadline(10000);
    while (!text.contains('\n') && !deadline.hasExpired()) {
        pollfd ready{ fd, POLLIN, 0 };
        if (poll(&ready, 1, int(deadline.remainingTime())) <= 0)
            break;
        char buffer[32];
        const ssize_t got = read(fd, buffer, sizeof buffer);
        if (got <= 0)
            break;
        text.append(buffer, got);
    }
    bool ok = false;
    const int number = text.trimmed().toInt(&ok);
    return ok && text.contains('\n') ? number : -1;
}

QList<unsigned long> property(Display *display, Window window, const char *name, Atom type)
{
    QList<unsigned long> values;
    Atom actualType = 0;
    int format = 0;
    unsigned long count = 0, after = 0;
    unsigned char *data = nullptr;
    if (XGetWindowProperty(display, window, XInternAtom(display, name, False), 0, 1 << 20, False,
                           type, &actualType, &format, &count, &after, &data)
            == Success
        && data) {
        if (format == 32) {
            const auto *longs = reinterpret_cast<const unsigned long *>(data);
            values = QList<unsigned long>(longs, longs + count);
        }
        XFree(data);
    }
    return values;
}

template<typename Condition>
bool waitFor(Condition condition)
{
    QDeadlineTimer deadline(10000);
    while (!condition()) {
        if (deadline.hasExpired())
            return false;
        QThread::msleep(10);
    }
    return true;
}

} // namespace

XSession::~XSession()
{
    if (m_display)
        XCloseDisplay(m_display);
    stop(m_windowManager);
    stop(m_server);
    if (!m_runtime.isEmpty())
        QDir(m_runtime).removeRecursively();
    if (s_instance == this)
        s_instance = nullptr;
}

XSession *XSession::instance()
{
    return s_instance;
}

bool XSession::start(QString *error)
{
    QByteArray folder = QDir::tempPath().toLocal8Bit() + "/velvane-x-XXXXXX";
    if (!mkdtemp(folder.data())) {
        *error = QStringLiteral("no temporary folder");
        return false;
    }
    m_runtime = QString::fromLocal8Bit(folder);
    const QByteArray log = folder + "/session.log";

    // The children and the test itself see a desktop of their own: no
    // configuration of the user's, no desktop session that would pick another
    // platform theme or display.
    qputenv("XDG_CONFIG_HOME", folder + "/config");
    qputenv("XDG_CACHE_HOME", folder + "/cache");
    qputenv("XDG_DATA_HOME", folder + "/data");
    qputenv("XDG_RUNTIME_DIR", folder);
    for (const char *name :
         { "XDG_CURRENT_DESKTOP", "DESKTOP_SESSION", "KDE_FULL_SESSION", "GNOME_DESKTOP_SESSION_ID",
           "QT_QPA_PLATFORMTHEME", "WAYLAND_DISPLAY", "XAUTHORITY" })
        qunsetenv(name);

    int pipeFds[2];
    if (pipe(pipeFds) != 0) {
        *error = QStringLiteral("no pipe");
        return false;
    }
    const QByteArray size = QByteArray::number(screenRect.width()) + 'x'
        + QByteArray::number(screenRect.height()) + "x24";
    m_server = spawn({ "Xvfb", "-displayfd", QByteArray::number(pipeFds[1]), "-screen", "0", size,
                       "-nolisten", "tcp", "-noreset" },
                     log, pipeFds[1]);
    close(pipeFds[1]);
    const int number = readDisplayNumber(pipeFds[0]);
    close(pipeFds[0]);
    if (number < 0) {
        *error = QStringLiteral("Xvfb did not start (see %1)").arg(QString::fromLocal8Bit(log));
        return false;
    }
    const QByteArray displayName = ':' + QByteArray::number(number);
    qputenv("DISPLAY", displayName);
    qputenv("QT_QPA_PLATFORM", "xcb");
    m_display = XOpenDisplay(displayName.constData());
    if (!m_display) {
        *error = QStringLiteral("cannot open display %1").arg(QString::fromLatin1(displayName));
        return false;
    }
    int event = 0, errorBase = 0, major = 0, minor = 0;
    if (!XTestQueryExtension(m_display, &event, &errorBase, &major, &minor)) {
        *error = QStringLiteral("the server has no XTEST");
        return false;
    }

    const Window root = DefaultRootWindow(m_display);
    // Openbox as installed, but with a strip kept free along the top, as a
    // panel would keep it.
    QFile installed(QStringLiteral("/etc/xdg/openbox/rc.xml"));
    if (!installed.open(QIODevice::ReadOnly)) {
        *error = QStringLiteral("no openbox configuration");
        return false;
    }
    QString configuration = QString::fromUtf8(installed.readAll());
    static const QRegularExpression margins(QStringLiteral("<margins>.*?</margins>"),
                                            QRegularExpression::DotMatchesEverythingOption);
    if (!configuration.contains(margins)) {
        *error = QStringLiteral("openbox's configuration has no margins");
        return false;
    }
    configuration.replace(margins,
                          QStringLiteral("<margins><top>%1</top><bottom>0</bottom>"
                                         "<left>0</left><right>0</right></margins>")
                              .arg(reservedTop));
    const QByteArray rc = folder + "/rc.xml";
    QFile own(QString::fromLocal8Bit(rc));
    if (!own.open(QIODevice::WriteOnly) || own.write(configuration.toUtf8()) < 0 || !own.flush()) {
        *error = QStringLiteral("cannot write %1").arg(own.fileName());
        return false;
    }
    own.close();
    m_windowManager = spawn({ "openbox", "--sm-disable", "--config-file", rc }, log);
    if (!waitFor([&] {
            return !property(m_display, root, "_NET_SUPPORTING_WM_CHECK", XA_WINDOW).isEmpty();
        })) {
        *error = QStringLiteral("openbox did not start (see %1)").arg(QString::fromLocal8Bit(log));
        return false;
    }

    if (!waitFor([&] {
            const QList<unsigned long> area
                = property(m_display, root, "_NET_WORKAREA", XA_CARDINAL);
            return area.size() >= 4 && area.at(1) == unsigned(reservedTop);
        })) {
        *error = QStringLiteral("openbox kept no room at the top (see %1)")
                     .arg(QString::fromLocal8Bit(log));
        return false;
    }
    s_instance = this;
    return true;
}

void XSession::sync() const
{
    XSync(m_display, False);
}

int XSession::keycode(const char *keysym) const
{
    return XKeysymToKeycode(m_display, XStringToKeysym(keysym));
}

void XSession::keyDown(const char *keysym)
{
    XTestFakeKeyEvent(m_display, keycode(keysym), True, CurrentTime);
    sync();
}

void XSession::keyUp(const char *keysym)
{
    XTestFakeKeyEvent(m_display, keycode(keysym), False, CurrentTime);
    sync();
}

void XSession::tap(const char *keysym, const QList<const char *> &modifiers)
{
    for (const char *modifier : modifiers)
        keyDown(modifier);
    keyDown(keysym);
    keyUp(keysym);
    for (auto it = modifiers.crbegin(); it != modifiers.crend(); ++it)
        keyUp(*it);
}

void XSession::moveTo(QPoint global)
{
    XTestFakeMotionEvent(m_display, -1, global.x(), global.y(), CurrentTime);
    sync();
}

void XSession::buttonDown(int button)
{
    XTestFakeButtonEvent(m_display, unsigned(button), True, CurrentTime);
    sync();
}

void XSession::buttonUp(int button)
{
    XTestFakeButtonEvent(m_display, unsigned(button), False, CurrentTime);
    sync();
}

void XSession::click(QPoint global, int button)
{
    moveTo(global);
    buttonDown(button);
    buttonUp(button);
}

QRect XSession::frameOf(unsigned long window) const
{
    Window current = window;
    for (;;) {
        Window root = 0, parent = 0;
        Window *children = nullptr;
        unsigned count = 0;
        if (!XQueryTree(m_display, current, &root, &parent, &children, &count))
            return {};
        if (children)
            XFree(children);
        if (parent == root || !parent)
            break;
        current = parent;
    }
    XWindowAttributes attributes;
    if (!XGetWindowAttributes(m_display, current, &attributes))
        return {};
    return QRect(attributes.x, attributes.y, attributes.width + 2 * attributes.border_width,
                 attributes.height + 2 * attributes.border_width);
}

bool XSession::waitUntilPlaced(QWidget *window) const
{
    const WId id = window->winId();
    for (int tries = 0; tries < 50; ++tries) {
        const QPoint before = originOf(id);
        QTest::qWait(100);
        const QPoint after = originOf(id);
        if (before == after && after == window->mapToGlobal(QPoint())
            && frameOf(id).height() > window->height())
            return true;
    }
    return false;
}

QPoint XSession::originOf(unsigned long window) const
{
    int x = 0, y = 0;
    Window child = 0;
    XTranslateCoordinates(m_display, window, DefaultRootWindow(m_display), 0, 0, &x, &y, &child);
    return QPoint(x, y);
}

unsigned long XSession::transientFor(unsigned long window) const
{
    Window owner = 0;
    return XGetTransientForHint(m_display, window, &owner) ? owner : 0;
}

QList<unsigned long> XSession::iconOf(unsigned long window) const
{
    return property(m_display, window, "_NET_WM_ICON", XA_CARDINAL);
}
