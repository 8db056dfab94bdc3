#include "shell/ui/sortmarkheader.h"

#include <QPainter>

TSortMarkHeader::TSortMarkHeader(QWidget *parent) : QHeaderView(Qt::Horizontal, parent)
{
    // The style's own indicator would be a second, possibly opposite, arrow.
    setSortIndicatorShown(false);
}

void TSortMarkHeader::paintSection(QPainter *painter, const QRect &rect, int logicalIndex) const
{
    painter->save();
    QHeaderView::paintSection(painter, rect, logicalIndex);
    painter->restore();
    const QIcon icon = Mark ? Mark(logicalIndex) : QIcon();
    if (icon.isNull())
        return;
    const QRect mark(rect.right() - 18, rect.top() + (rect.height() - 16) / 2, 16, 16);
    icon.paint(painter, mark);
}
