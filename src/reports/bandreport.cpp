#include "reports/bandreport.h"

#include <QCoreApplication>
#include <QFile>
#include <QPagedPaintDevice>
#include <QPainter>
#include <QPdfWriter>
#include <cstdio>

QFont TBandReport::PixelFont(const QString &family, qreal points, bool bold, bool italic)
{
    QFont font(family);
    // Pixel sizes, because the painter is scaled to report pixels: a point size would be
    // scaled twice on a device of another resolution.
    font.setPixelSize(qMax(1, qRound(points * kPixelsPerInch / 72.0)));
    font.setBold(bold);
    font.setItalic(italic);
    return font;
}

bool TBandReport::Paginate(QSizeF area, const std::function<bool(int)> &progress)
{
    BeginPagination(area);
    const int count = DetailCount();
    while (!PaginateSome(4096))
        if (progress && !progress(int(qint64(m_measured) * 100 / count)))
            return false;
    if (progress && count > 0)
        progress(100);
    return true;
}

void TBandReport::BeginPagination(QSizeF area)
{
    m_area = area;
    m_pageStarts.clear();
    m_measured = 0;
    if (DetailCount() == 0)
        return;
    m_used = PageHeaderHeight() + ColumnHeaderHeight() + PageFooterHeight() + TitleHeight();
    m_pageStarts.push_back(0);
}

bool TBandReport::PaginateSome(int rows)
{
    const int count = DetailCount();
    const int end = int(std::min<qint64>(qint64(m_measured) + std::max(rows, 1), count));
    const qreal fixed = PageHeaderHeight() + ColumnHeaderHeight() + PageFooterHeight();
    for (int row = m_measured; row < end; ++row) {
        const qreal h = DetailHeight(row);
        const bool firstOnPage = row == m_pageStarts.back();
        // A row taller than a whole page is put on a page of its own and cut there.
        if (!firstOnPage && (m_used + h > m_area.height() || StartsNewPage(row))) {
            m_pageStarts.push_back(row);
            m_used = fixed;
        }
        m_used += h;
    }
    m_measured = end;
    return Paginated();
}

int TBandReport::EndRow(int page) const
{
    return page + 1 < PageCount() ? m_pageStarts[size_t(page) + 1] : DetailCount();
}

void TBandReport::PaintPage(QPainter &p, int page) const
{
    const qreal width = m_area.width();
    qreal y = 0;
    auto band = [&](qreal height) {
        const QRectF r(0, y, width, height);
        y += height;
        return r;
    };
    PaintPageHeader(p, band(PageHeaderHeight()), page);
    if (page == 0)
        PaintTitle(p, band(TitleHeight()));
    PaintColumnHeader(p, band(ColumnHeaderHeight()));
    p.save();
    p.setClipRect(QRectF(0, 0, width, m_area.height() - PageFooterHeight()));
    for (int row = FirstRow(page); row < EndRow(page); ++row)
        PaintDetail(p, band(DetailHeight(row)), row);
    p.restore();
    const qreal footer = PageFooterHeight();
    PaintPageFooter(p, QRectF(0, m_area.height() - footer, width, footer), page);
}

bool TBandReport::Print(QPagedPaintDevice &device, const std::function<bool(int)> &progress)
{
    const int dpi = device.logicalDpiX();
    const qreal scale = dpi / kPixelsPerInch;
    const QRect paint = device.pageLayout().paintRectPixels(dpi);
    const QSizeF area(paint.width() / scale, paint.height() / scale);
    if (!Paginate(area, [&](int percent) { return !progress || progress(percent / 2); }))
        return false;
    if (PageCount() == 0)
        return true;
    QPainter painter(&device);
    for (int page = 0; page < PageCount(); ++page) {
        if (page > 0 && !device.newPage())
            return false;
        painter.save();
        painter.scale(scale, scale);
        PaintPage(painter, page);
        painter.restore();
        if (progress && !progress(50 + (page + 1) * 50 / PageCount()))
            return false;
    }
    return painter.end();
}

QString WriteReportPdf(TBandReport &report, const QPageLayout &layout, const QString &file,
                       const QString &title)
{
    const QString temp = file + QStringLiteral(".part");
    bool written;
    {
        QPdfWriter pdf(temp);
        pdf.setResolution(300);
        pdf.setTitle(title);
        pdf.setCreator(QStringLiteral("Qel Music"));
        written = pdf.setPageLayout(layout) && report.Print(pdf);
    }
    if (written && report.PageCount() == 0) {
        QFile::remove(temp);
        return {};
    }
    // The writer says nothing of a full disk: the file must be there and not empty.
    if (!written || QFile(temp).size() == 0 ||
        std::rename(QFile::encodeName(temp).constData(), QFile::encodeName(file).constData()) !=
            0) {
        QFile::remove(temp);
        return QCoreApplication::translate("TBandReport",
                                           "The report could not be written to \"%1\".")
            .arg(file);
    }
    return {};
}
