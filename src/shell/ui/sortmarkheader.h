#pragma once

#include <QHeaderView>
#include <QIcon>
#include <functional>

// A horizontal header that draws a section's sort mark, a picture, at its right edge.
// Lists use it with the sort pictures of the icon lists, so an arrow means the same
// order in every list whatever the style would draw.
class TSortMarkHeader : public QHeaderView
{
public:
    explicit TSortMarkHeader(QWidget *parent = nullptr);

    // The mark of a section (a null icon for none).
    std::function<QIcon(int logicalIndex)> Mark;

protected:
    void paintSection(QPainter *painter, const QRect &rect, int logicalIndex) const override;
};
