#pragma once

#include <QPixmap>
#include <QPushButton>

// A command button of the graphical style: its face picture, or its second
// picture while pressed, centred and clipped to the button, its caption and
// access key over it. Space, Return and keypad Enter click it when focused.
class GraphicButton : public QPushButton
{
    Q_OBJECT

public:
    GraphicButton(const QString &caption, const QPixmap &face, const QPixmap &down,
                  QWidget *parent = nullptr);

    QPixmap face() const { return m_face; }
    QPixmap down() const { return m_down; }

protected:
    void keyPressEvent(QKeyEvent *event) override;
    void paintEvent(QPaintEvent *event) override;

private:
    QPixmap m_face;
    QPixmap m_down;
};
