#include "reports/bandreport.h"

#include "model/atomicfile.h"

#include <QCoreApplication>
#include <QFileDevice>
#include <QPagedPaintDevice>
#include <QPainter>
#include <QPdfWriter>
#include <cerrno>
#include <cstring>

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
    // Measuring is quick next to painting: it takes the first tenth of the bar.
    if (!Paginate(area, [&](int percent) { return !progress || progress(percent / 10); }))
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
        if (progress && !progress(10 + int(qint64(page + 1) * 90 / PageCount())))
            return false;
    }
    return painter.end();
}

namespace {

// Passes the PDF writer's bytes on to the file and keeps the system's reason for the
// first write that fails: a write cut short by a full disk leaves the file without an
// error text of its own, and the writer itself reports no failure at all.
class TCheckedWrites : public QIODevice
{
public:
    explicit TCheckedWrites(QFileDevice *to) : m_to(to) { open(QIODevice::WriteOnly); }
    bool Failed() const { return m_failed; }
    bool FlushFile()
    {
        errno = 0;
        if (!m_to->flush())
            noteFailure();
        return !m_failed;
    }
    QString Reason() const
    {
        return m_errno != 0 ? QString::fromLocal8Bit(std::strerror(m_errno)) : m_to->errorString();
    }

protected:
    qint64 readData(char *, qint64) override { return -1; }
    qint64 writeData(const char *data, qint64 length) override
    {
        if (m_failed)
            return -1;
        errno = 0;
        if (m_to->write(data, length) != length) {
            noteFailure();
            return -1;
        }
        return length;
    }

private:
    void noteFailure()
    {
        if (!m_failed)
            m_errno = errno;
        m_failed = true;
    }

    QFileDevice *m_to;
    bool m_failed = false;
    int m_errno = 0;
};

} // namespace

QString WriteReportPdf(TBandReport &report, const QPageLayout &layout, const QString &file,
                       const QString &title, const std::function<bool(int)> &progress)
{
    const auto failed = [&file](const QString &reason) {
        return QCoreApplication::translate("TBandReport",
                                           "The report could not be written to \"%1\": %2")
            .arg(file, reason);
    };
    if (report.DetailCount() == 0) {
        report.Paginate(QSizeF()); // no page: nothing to write, and no file touched
        return {};
    }
    TAtomicFile out(file);
    if (!out.Open())
        return failed(out.ErrorString());
    TCheckedWrites device(qobject_cast<QFileDevice *>(out.Device()));
    bool stopped = false;
    bool printed;
    {
        QPdfWriter pdf(&device);
        pdf.setResolution(300);
        pdf.setTitle(title);
        pdf.setCreator(QStringLiteral("Qel Music"));
        if (!pdf.setPageLayout(layout))
            return failed(QCoreApplication::translate("TBandReport",
                                                      "the page layout does not fit the paper"));
        printed = report.Print(pdf, [&](int percent) {
            // A failed write fails every later one: no use painting the rest.
            if (device.Failed())
                return false;
            if (progress && !progress(percent)) {
                stopped = true;
                return false;
            }
            return true;
        });
    } // the writer's tail is written here, when it ends
    if (stopped || (printed && report.PageCount() == 0)) {
        out.Cancel();
        return {};
    }
    if (!device.FlushFile()) {
        out.Cancel();
        return failed(device.Reason());
    }
    if (!printed) {
        out.Cancel();
        return failed(QCoreApplication::translate("TBandReport", "a page could not be started"));
    }
    // Commit checks the writes again and syncs: a failure there leaves the old file too.
    if (!out.Commit())
        return failed(out.ErrorString());
    return {};
}
