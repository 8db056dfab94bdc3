#pragma once

#include "model/fields.h"
#include "reports/bandreport.h"

#include <QColor>
#include <QDateTime>
#include <QString>
#include <vector>

class TDataItem;

// One column of a list report: its field, caption and width in report pixels (a width
// of 0 prints 100 wide).
struct TReportColumn
{
    TFieldId field = fdTitle;
    QString caption;
    int width = 100;
};

// The list report: the current list as a table, a row per item and a column per field,
// under a title, with page numbers and a footer.
class TrpList : public TBandReport
{
public:
    TrpList(std::vector<const TDataItem *> items, std::vector<TReportColumn> columns);

    QString Title = QStringLiteral("Qel Music");
    QFont TitleFont = PixelFont(QStringLiteral("Arial"), 8);
    QFont DataFont = PixelFont(QStringLiteral("Arial"), 8);
    bool Shading = false;
    QDateTime PrintedAt = QDateTime::currentDateTime();

    // "This report has been created with ..."
    static QString FooterText();
    // Silver for the 1st, 3rd, ... row with shading, else white.
    QColor RowBackground(int row) const;
    int ColumnWidth(int column) const;

    qreal PageHeaderHeight() const override;
    qreal TitleHeight() const override;
    qreal ColumnHeaderHeight() const override;
    qreal PageFooterHeight() const override;
    int DetailCount() const override { return int(m_items.size()); }
    qreal DetailHeight(int row) const override;

    void PaintPageHeader(QPainter &p, const QRectF &rect, int page) const override;
    void PaintTitle(QPainter &p, const QRectF &rect) const override;
    void PaintColumnHeader(QPainter &p, const QRectF &rect) const override;
    void PaintDetail(QPainter &p, const QRectF &rect, int row) const override;
    void PaintPageFooter(QPainter &p, const QRectF &rect, int page) const override;

private:
    qreal lineHeight(const QFont &font) const;

    std::vector<const TDataItem *> m_items;
    std::vector<TReportColumn> m_columns;
};
