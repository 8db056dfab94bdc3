#pragma once

#include <QWidget>

class QLabel;

// The window shown while the program starts: the logo on white in a thin black frame,
// with the program's name and version under it.
class TfmSplash : public QWidget
{
    Q_OBJECT

public:
    explicit TfmSplash(QWidget *parent = nullptr);

    // Centres the window on the screen, shows it and paints it before returning, so it
    // is seen while the main window is still being built.
    void ShowNow();

protected:
    void paintEvent(QPaintEvent *event) override;
};
