#include "textbox.h"

#include <QPainter>

TextBox::TextBox(bool flat, QWidget *parent) : QLineEdit(parent), m_flat(flat)
{
    setFrame(!flat);
    if (flat)
        setTextMargins(2, 0, 2, 0);
}

void TextBox::paintEvent(QPaintEvent *event)
{
    QLineEdit::paintEvent(event);
    if (!m_flat)
        return;
    QPainter painter(this);
    painter.setPen(palette().color(QPalette::Dark));
    painter.drawRect(rect().adjusted(0, 0, -1, -1));
}
