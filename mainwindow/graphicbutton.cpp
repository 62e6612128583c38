#include "graphicbutton.h"

#include <QKeyEvent>
#include <QPainter>
#include <QStyle>
#include <QStyleOptionFocusRect>
#include <qdrawutil.h>

GraphicButton::GraphicButton(const QString &caption, const QPixmap &face, const QPixmap &down,
                             QWidget *parent)
    : QPushButton(caption, parent), m_face(face), m_down(down)
{ }

// A classic window's focused command button takes Return, on the main keys
// or the keypad, as a click; Qt's buttons do so only inside a dialog.
void GraphicButton::keyPressEvent(QKeyEvent *event)
{
    if ((event->key() == Qt::Key_Return || event->key() == Qt::Key_Enter)
        && !(event->modifiers() & ~Qt::KeypadModifier)) {
        click();
        return;
    }
    QPushButton::keyPressEvent(event);
}

void GraphicButton::paintEvent(QPaintEvent *)
{
    QPainter painter(this);
    const QRect inner = rect().adjusted(2, 2, -2, -2);
    const bool pressed = isDown();
    const QPixmap &picture = pressed ? m_down : m_face;

    painter.fillRect(rect(), palette().button());
    painter.save();
    painter.setClipRect(inner);
    QRect place(QPoint(), picture.deviceIndependentSize().toSize());
    place.moveCenter(inner.center());
    painter.drawPixmap(place, picture);
    painter.restore();

    // A pressed caption moves one pixel down and right, as the classic button's does.
    const QRect textRect = pressed ? inner.translated(1, 1) : inner;
    style()->drawItemText(&painter, textRect, Qt::AlignCenter | Qt::TextShowMnemonic, palette(),
                          isEnabled(), text(), QPalette::ButtonText);
    qDrawWinButton(&painter, rect(), palette(), pressed);

    if (hasFocus()) {
        QStyleOptionFocusRect focus;
        focus.initFrom(this);
        focus.rect = inner.adjusted(1, 1, -1, -1);
        style()->drawPrimitive(QStyle::PE_FrameFocusRect, &focus, &painter, this);
    }
}
