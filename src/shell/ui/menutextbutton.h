#pragma once

#include <QToolButton>

// A tool button with only a text that drops down its menu on a click. It keeps room
// for the menu arrow beside the text; a plain tool button draws the arrow over the
// text's last letters.
class TMenuTextButton : public QToolButton
{
public:
    explicit TMenuTextButton(QWidget *parent = nullptr);
    QSize sizeHint() const override;
    QSize minimumSizeHint() const override { return sizeHint(); }
    // The room kept for the arrow at the button's end.
    int ArrowRoom() const;

protected:
    void paintEvent(QPaintEvent *event) override;
};
