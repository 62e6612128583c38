#pragma once

#include <QBasicTimer>
#include <QMargins>
#include <QObject>
#include <QPoint>
#include <QSize>

#include <functional>

class QWidget;

namespace platform {

// Centres a top-level window with its frame on a point when it is first
// shown. The frame is known only once a window manager has put it on, after
// the window is shown: until then the window centres as if it had none, and
// it centres again when it first shows with a frame, and at each new size
// it takes soon after. The whole frame is kept on the screen's available area.
class FrameCentring : public QObject
{
    Q_OBJECT

public:
    using Centre = std::function<QPoint()>;
    // The centring lives as long as window, and acts on its first showing.
    // A window placed otherwise until its frame is known (a dialog centres
    // itself on its parent) is not centred at the showing.
    static void install(QWidget *window, Centre centre, bool atShow = true);

protected:
    bool eventFilter(QObject *watched, QEvent *event) override;
    void timerEvent(QTimerEvent *event) override;

private:
    FrameCentring(QWidget *window, Centre centre, bool atShow);
    void centre();
    void centreOnceFramed();
    void stopWatching();

    QWidget *m_window;
    Centre m_centre;
    bool m_atShow;
    bool m_shown = false;
    QBasicTimer m_watch; // from the showing to two seconds after the frame came
    int m_looks = 0;
    int m_framedLooks = 0;
    QMargins m_lastMargins;
    // The size and frame the window was last centred at, once framed.
    QSize m_centredSize;
    QMargins m_centredMargins;
};

} // namespace platform
