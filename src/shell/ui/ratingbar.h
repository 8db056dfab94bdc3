#pragma once

#include <QWidget>

class QLabel;
class QSlider;

// A rating from 0 to 100: the slider tbRating in steps of ten, and beside it the panel
// pnRating with the value as "N %".
class TRatingBar : public QWidget
{
    Q_OBJECT
public:
    explicit TRatingBar(QWidget *parent = nullptr);
    int Value() const;
    void SetValue(int value);
    QSlider *Slider() const { return m_slider; } // the label's buddy

private:
    QSlider *m_slider;
    QLabel *m_panel;
};
