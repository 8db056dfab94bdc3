#include "reports/listreport.h"

#include "model/dataitem.h"
#include "model/general.h"

#include <QCoreApplication>
#include <QFontMetricsF>
#include <QLocale>
#include <QPainter>

namespace {

const QColor kSilver(0xC0, 0xC0, 0xC0);
const QColor kGrey(0x80, 0x80, 0x80);

QFont smallFont()
{
    return TBandReport::PixelFont(QStringLiteral("Arial"), 8);
}

} // namespace

TrpList::TrpList(std::vector<const TDataItem *> items, std::vector<TReportColumn> columns)
    : m_items(std::move(items)), m_columns(std::move(columns))
{
}

QString TrpList::FooterText()
{
    return QCoreApplication::translate("TrpList", "This report has been created with %1 %2, %3")
        .arg(QStringLiteral("Qel, Music edition"), GetVersionText(true),
             QStringLiteral("https://qelmusic.example"));
}

QColor TrpList::RowBackground(int row) const
{
    return Shading && row % 2 == 0 ? kSilver : QColor(Qt::white);
}

int TrpList::ColumnWidth(int column) const
{
    const int w = m_columns.at(size_t(column)).width;
    return w == 0 ? 100 : w;
}

qreal TrpList::lineHeight(const QFont &font) const
{
    return QFontMetricsF(font).height();
}

qreal TrpList::PageHeaderHeight() const
{
    return lineHeight(DataFont);
}

qreal TrpList::TitleHeight() const
{
    return lineHeight(TitleFont) + 16;
}

qreal TrpList::ColumnHeaderHeight() const
{
    return lineHeight(DataFont) + 16;
}

qreal TrpList::PageFooterHeight() const
{
    return lineHeight(smallFont());
}

qreal TrpList::DetailHeight(int) const
{
    return lineHeight(DataFont);
}

void TrpList::PaintPageHeader(QPainter &p, const QRectF &rect, int page) const
{
    p.setFont(smallFont());
    p.setPen(Qt::black);
    p.drawText(rect, Qt::AlignRight | Qt::AlignVCenter, QString::number(page + 1));
}

void TrpList::PaintTitle(QPainter &p, const QRectF &rect) const
{
    p.setFont(TitleFont);
    p.setPen(Qt::black);
    p.drawText(rect, Qt::AlignHCenter | Qt::AlignVCenter | Qt::TextSingleLine, Title);
}

void TrpList::PaintColumnHeader(QPainter &p, const QRectF &rect) const
{
    QFont font = DataFont;
    font.setUnderline(true);
    p.setFont(font);
    p.setPen(Qt::black);
    const QFontMetricsF metrics(font);
    qreal x = rect.left();
    const qreal y = rect.bottom() - lineHeight(DataFont) - 4;
    for (size_t c = 0; c < m_columns.size(); ++c) {
        const qreal w = ColumnWidth(int(c));
        const QRectF cell(x, y, w - 4, lineHeight(DataFont));
        p.drawText(cell, Qt::AlignLeft | Qt::AlignVCenter | Qt::TextSingleLine,
                   metrics.elidedText(m_columns[c].caption, Qt::ElideRight, cell.width()));
        x += w;
    }
}

void TrpList::PaintDetail(QPainter &p, const QRectF &rect, int row) const
{
    p.fillRect(rect, RowBackground(row));
    p.setFont(DataFont);
    p.setPen(Qt::black);
    const QFontMetricsF metrics(DataFont);
    const TDataItem *item = m_items[size_t(row)];
    qreal x = rect.left();
    for (size_t c = 0; c < m_columns.size(); ++c) {
        const qreal w = ColumnWidth(int(c));
        const QRectF cell(x, rect.top(), w - 4, rect.height());
        // One line per cell, cut at the column's edge rather than running into the next.
        QString text = item->GetFieldAsString(m_columns[c].field);
        text.replace(QLatin1String("\r\n"), QLatin1String(" "));
        p.drawText(cell, Qt::AlignLeft | Qt::AlignVCenter | Qt::TextSingleLine,
                   metrics.elidedText(text, Qt::ElideRight, cell.width()));
        x += w;
    }
}

void TrpList::PaintPageFooter(QPainter &p, const QRectF &rect, int) const
{
    p.setFont(smallFont());
    p.setPen(kGrey);
    p.drawText(rect, Qt::AlignLeft | Qt::AlignVCenter, FooterText());
    p.drawText(rect, Qt::AlignRight | Qt::AlignVCenter,
               QLocale::system().toString(PrintedAt, QLocale::ShortFormat));
}
