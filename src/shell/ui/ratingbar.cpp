#include "shell/ui/ratingbar.h"

#include <QHBoxLayout>
#include <QLabel>
#include <QSlider>

TRatingBar::TRatingBar(QWidget *parent)
    : QWidget(parent), m_slider(new QSlider(Qt::Horizontal, this)), m_panel(new QLabel(this))
{
    m_slider->setObjectName(QStringLiteral("tbRating"));
    m_slider->setRange(0, 100);
    m_slider->setSingleStep(1);
    m_slider->setPageStep(10);
    m_slider->setTickInterval(10);
    m_slider->setTickPosition(QSlider::TicksBelow);
    m_panel->setObjectName(QStringLiteral("pnRating"));
    m_panel->setFrameStyle(QFrame::Panel | QFrame::Sunken);
    m_panel->setAlignment(Qt::AlignCenter);
    // Room for "100 %" so the panel does not jump while the slider moves.
    m_panel->setMinimumWidth(m_panel->fontMetrics().horizontalAdvance(QStringLiteral("100 %")) +
                             12);
    m_panel->setText(QStringLiteral("0 %"));
    connect(m_slider, &QSlider::valueChanged, this,
            [this](int value) { m_panel->setText(QStringLiteral("%1 %").arg(value)); });
    auto *layout = new QHBoxLayout(this);
    layout->setContentsMargins(0, 0, 0, 0);
    layout->addWidget(m_slider, 1);
    layout->addWidget(m_panel);
    setFocusProxy(m_slider);
}

int TRatingBar::Value() const
{
    return m_slider->value();
}

void TRatingBar::SetValue(int value)
{
    m_slider->setValue(value);
}
