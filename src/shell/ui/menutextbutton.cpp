#include "shell/ui/menutextbutton.h"

#include <QStyleOptionToolButton>
#include <QStylePainter>

TMenuTextButton::TMenuTextButton(QWidget *parent) : QToolButton(parent)
{
    setPopupMode(QToolButton::InstantPopup);
    setToolButtonStyle(Qt::ToolButtonTextOnly);
}

int TMenuTextButton::ArrowRoom() const
{
    QStyleOptionToolButton option;
    initStyleOption(&option);
    return style()->pixelMetric(QStyle::PM_MenuButtonIndicator, &option, this);
}

QSize TMenuTextButton::sizeHint() const
{
    return QToolButton::sizeHint() + QSize(ArrowRoom(), 0);
}

void TMenuTextButton::paintEvent(QPaintEvent *)
{
    QStylePainter painter(this);
    QStyleOptionToolButton option;
    initStyleOption(&option);
    // The frame and the arrow first, then the text in the room the arrow leaves.
    const QString text = option.text;
    option.text.clear();
    painter.drawComplexControl(QStyle::CC_ToolButton, option);
    option.text = text;
    const int frame = style()->pixelMetric(QStyle::PM_DefaultFrameWidth, &option, this);
    option.rect = QStyle::visualRect(option.direction, rect(),
                                     rect().adjusted(frame, frame, -frame - ArrowRoom(), -frame));
    painter.drawControl(QStyle::CE_ToolButtonLabel, option);
}
