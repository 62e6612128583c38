#include "framecentring.h"

#include <QEvent>
#include <QScreen>
#include <QTimerEvent>
#include <QWidget>
#include <QWindow>

namespace platform {

FrameCentring::FrameCentring(QWidget *window, Centre centre, bool atShow)
    : QObject(window), m_window(window), m_centre(std::move(centre)), m_atShow(atShow)
{
    window->installEventFilter(this);
}

void FrameCentring::install(QWidget *window, Centre centre, bool atShow)
{
    new FrameCentring(window, std::move(centre), atShow);
}

// The frame shows up with no event of its own: it is looked for on each event
// of the window that may follow it, and on a short watch besides.
bool FrameCentring::eventFilter(QObject *watched, QEvent *event)
{
    if (watched == m_window && event->type() == QEvent::Show && !m_shown) {
        m_shown = true;
        m_window->removeEventFilter(this);
        if (QWindow *handle = m_window->windowHandle()) {
            handle->installEventFilter(this);
            if (m_atShow)
                centre();
            m_watch.start(25, this);
        }
    } else if (watched == m_window->windowHandle()) {
        switch (event->type()) {
        case QEvent::Expose:
        case QEvent::Move:
        case QEvent::Resize:
        case QEvent::FocusIn:
            centreOnceFramed();
            break;
        default:
            break;
        }
    }
    return QObject::eventFilter(watched, event);
}

void FrameCentring::timerEvent(QTimerEvent *event)
{
    if (event->timerId() != m_watch.timerId())
        return;
    // The watch lasts two seconds from the frame's coming, however long a
    // busy window manager takes to put it on, and gives up on one that never
    // does after ten.
    const QWindow *handle = m_window->windowHandle();
    if (handle && !handle->frameMargins().isNull())
        ++m_framedLooks;
    if (m_framedLooks > 80 || ++m_looks > 400)
        stopWatching();
    else
        centreOnceFramed();
}

// While the window manager puts the frame on, Qt may read passing sizes of
// it: only the same size on two looks in a row counts. A window that takes
// its final size after it shows (a message box lays itself out then), or
// whose frame was read before it was whole, centres again at each new size
// of window or frame while the watch lasts.
void FrameCentring::centreOnceFramed()
{
    QWindow *handle = m_window->windowHandle();
    const QMargins margins = handle ? handle->frameMargins() : QMargins();
    const bool settled = !margins.isNull() && margins == m_lastMargins;
    m_lastMargins = margins;
    if (!settled || (handle->size() == m_centredSize && margins == m_centredMargins))
        return;
    m_centredSize = handle->size();
    m_centredMargins = margins;
    centre();
}

void FrameCentring::stopWatching()
{
    m_watch.stop();
    if (QWindow *handle = m_window->windowHandle())
        handle->removeEventFilter(this);
}

// Placed by the client area's position: Qt's own frame positioning relies on
// frame sizes it may not have caught up with.
void FrameCentring::centre()
{
    QWindow *handle = m_window->windowHandle();
    const QMargins margins = handle->frameMargins();
    QRect place(QPoint(), handle->size().grownBy(margins));
    place.moveCenter(m_centre());
    if (const QScreen *screen = handle->screen()) {
        const QRect area = screen->availableGeometry();
        place.moveLeft(qMax(area.left(), qMin(place.left(), area.right() + 1 - place.width())));
        place.moveTop(qMax(area.top(), qMin(place.top(), area.bottom() + 1 - place.height())));
    }
    handle->setPosition(place.topLeft() + QPoint(margins.left(), margins.top()));
}

} // namespace platform
