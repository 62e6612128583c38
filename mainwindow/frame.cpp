#include "frame.h"

#include <QPainter>
#include <qdrawutil.h>

Frame::Frame(const QString &caption, QWidget *parent) : QGroupBox(caption, parent)
{
    setAutoFillBackground(true);
}

void Frame::paintEvent(QPaintEvent *)
{
    QPainter painter(this);
    painter.fillRect(rect(), palette().window());

    const QFontMetrics metrics = fontMetrics();
    const int lineTop = metrics.height() / 2;
    qDrawShadeRect(&painter, 0, lineTop, width(), height() - lineTop, palette(), true, 1);

    if (title().isEmpty())
        return;
    const int indent = 7;
    QRect caption(indent, 0, metrics.horizontalAdvance(title()) + 2, metrics.height());
    painter.fillRect(caption, palette().window());
    painter.setPen(palette().color(QPalette::WindowText));
    painter.drawText(caption.adjusted(1, 0, 0, 0), Qt::AlignLeft | Qt::AlignVCenter, title());
}
