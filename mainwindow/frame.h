#pragma once

#include <QGroupBox>

// A frame as the classic forms draw it: an etched border whose top line runs
// through the middle of the caption, on the frame's own back colour.
class Frame : public QGroupBox
{
    Q_OBJECT

public:
    explicit Frame(const QString &caption, QWidget *parent = nullptr);

protected:
    void paintEvent(QPaintEvent *event) override;
};
