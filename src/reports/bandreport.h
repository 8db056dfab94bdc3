#pragma once

#include <QFont>
#include <QMarginsF>
#include <QSizeF>
#include <algorithm>
#include <functional>
#include <vector>

class QPageLayout;
class QPainter;
class QPagedPaintDevice;

// A small band engine. Geometry is in report pixels, 96 to the inch, whatever the
// device; painting maps them to the device's resolution. A report is a title band,
// then detail rows, on pages that each carry a page header, a column header and a
// page footer. Pagination is a pass of its own that only measures, and keeps where each
// page starts, so any page can be painted without painting the ones before it.
class TBandReport
{
public:
    virtual ~TBandReport() = default;

    // Band heights; a detail row may grow with its content.
    virtual qreal PageHeaderHeight() const = 0;
    virtual qreal TitleHeight() const = 0;
    virtual qreal ColumnHeaderHeight() const = 0;
    virtual qreal PageFooterHeight() const = 0;
    virtual int DetailCount() const = 0;
    virtual qreal DetailHeight(int row) const = 0;
    // A row that must start a page of its own (other than the first).
    virtual bool StartsNewPage(int row) const
    {
        Q_UNUSED(row)
        return false;
    }

    // Painting of each band into rect (report pixels). page counts from 0.
    virtual void PaintPageHeader(QPainter &p, const QRectF &rect, int page) const = 0;
    virtual void PaintTitle(QPainter &p, const QRectF &rect) const = 0;
    virtual void PaintColumnHeader(QPainter &p, const QRectF &rect) const = 0;
    virtual void PaintDetail(QPainter &p, const QRectF &rect, int row) const = 0;
    virtual void PaintPageFooter(QPainter &p, const QRectF &rect, int page) const = 0;

    // Lays the rows out on pages of area (report pixels: the paper less the margins).
    // progress gets 0 to 100 and may stop the pass by returning false. Returns false
    // when stopped. An empty report has no page.
    bool Paginate(QSizeF area, const std::function<bool(int)> &progress = {});
    // The same pass in steps, for a window that shows the first pages while the rest is
    // measured: BeginPagination, then PaginateSome until it returns true.
    void BeginPagination(QSizeF area);
    bool PaginateSome(int rows);
    bool Paginated() const { return m_measured >= DetailCount(); }
    int MeasuredRows() const { return m_measured; }
    // Pages whose rows are all measured: every page once the pass is done.
    int CompletePages() const { return Paginated() ? PageCount() : std::max(0, PageCount() - 1); }
    int PageCount() const { return int(m_pageStarts.size()); }
    // The first row of a page, and one past its last.
    int FirstRow(int page) const { return m_pageStarts.at(size_t(page)); }
    int EndRow(int page) const;

    // Paints one page; the painter's origin is the top-left corner of the area and its
    // scale maps report pixels to the device.
    void PaintPage(QPainter &p, int page) const;

    // Paginates for the device's page and margins and prints every page. progress gets
    // 0 to 100 (the measuring pass is the first tenth); returns false, with nothing or
    // part printed, when progress stopped it or the device refused a page.
    bool Print(QPagedPaintDevice &device, const std::function<bool(int)> &progress = {});

    // Report pixels to points, and a font of size points as report pixels.
    static constexpr qreal kPixelsPerInch = 96.0;
    static QFont PixelFont(const QString &family, qreal points, bool bold = false,
                           bool italic = false);

private:
    std::vector<int> m_pageStarts;
    QSizeF m_area;
    int m_measured = 0; // rows laid out so far
    qreal m_used = 0;   // height used on the last page
};

// Writes the report as a PDF with the layout to file, through the atomic writer: the file
// (for a symbolic link, the file it points to) is replaced, keeping its permissions, only
// once the PDF is whole and on disk. progress gets 0 to 100 and may stop the writing by
// returning false, which is no error. Returns an empty text or the error; a report that
// was stopped, failed or is empty (no page) leaves an existing file as it was.
QString WriteReportPdf(TBandReport &report, const QPageLayout &layout, const QString &file,
                       const QString &title, const std::function<bool(int)> &progress = {});
