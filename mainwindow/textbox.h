#pragma once

#include <QLineEdit>

// A text box; a flat one has a single thin border instead of a 3-D edge.
class TextBox : public QLineEdit
{
    Q_OBJECT

public:
    explicit TextBox(bool flat, QWidget *parent = nullptr);

protected:
    void paintEvent(QPaintEvent *event) override;

private:
    bool m_flat;
};
