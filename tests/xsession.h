#pragma once

#include <QByteArray>
#include <QList>
#include <QPoint>
#include <QRect>
#include <QString>

#include <sys/types.h>

class QWidget;

// A private X server (Xvfb) with a window manager (openbox) on it, and input
// sent through XTEST, which the server delivers as if a user typed and
// clicked: Qt drops events sent to a window by other clients, so only these
// test a window's real key and mouse handling.
//
// Start it before the QApplication: it points DISPLAY and the Qt platform at
// the new server. The work area is the screen less a strip along the top, so
// that "available" differs from the whole screen.
class XSession
{
public:
    XSession() = default;
    ~XSession();
    XSession(const XSession &) = delete;
    XSession &operator=(const XSession &) = delete;

    bool start(QString *error);
    static XSession *instance();

    static constexpr QRect screenRect{ 0, 0, 1024, 768 };
    static constexpr int reservedTop = 40;

    // Keys by their X key symbol names: "Escape", "Return", "KP_Enter", "Down", "Alt_L".
    void keyDown(const char *keysym);
    void keyUp(const char *keysym);
    // Presses the modifiers in order, taps the key, releases them in reverse.
    void tap(const char *keysym, const QList<const char *> &modifiers = {});

    // The pointer, in root-window (global) pixels; button 1 is the left one.
    void moveTo(QPoint global);
    void buttonDown(int button = 1);
    void buttonUp(int button = 1);
    void click(QPoint global, int button = 1);

    // The window manager's frame around a client window: its outermost
    // ancestor below the root, in root coordinates.
    QRect frameOf(unsigned long window) const;
    // Waits until the window manager has framed window and it has stopped
    // moving, with Qt knowing where it is: until then a click could miss.
    bool waitUntilPlaced(QWidget *window) const;
    // Where the window's own (0, 0) lies on the root window.
    QPoint originOf(unsigned long window) const;
    // WM_TRANSIENT_FOR of window, 0 when it has none.
    unsigned long transientFor(unsigned long window) const;
    // The raw _NET_WM_ICON of window (width, height, pixels, one per entry).
    QList<unsigned long> iconOf(unsigned long window) const;

private:
    void sync() const;
    int keycode(const char *keysym) const;

    pid_t m_server = 0;
    pid_t m_windowManager = 0;
    QString m_runtime; // a private folder for the children's configuration and state
    struct _XDisplay *m_display = nullptr;
};

// Like VELVANE_TEST_MAIN, on a private X server with a window manager and
// under the xcb platform.
#define VELVANE_XSESSION_TEST_MAIN(TestObject)                                                     \
    int main(int argc, char *argv[])                                                               \
    {                                                                                              \
        XSession session;                                                                          \
        QString error;                                                                             \
        if (!session.start(&error)) {                                                              \
            fprintf(stderr, "no X session: %s\n", qPrintable(error));                              \
            return 1;                                                                              \
        }                                                                                          \
        QApplication app(argc, argv);                                                              \
        TestObject tc;                                                                             \
        QTEST_SET_MAIN_SOURCE_PATH                                                                 \
        return QTest::qExec(&tc, argc, argv);                                                      \
    }
