#include "model/album.h"
#include "model/qeldb.h"
#include "reportalbums.h"
#include "reports/listreport.h"
#include "testsupport.h"

#include <QImage>
#include <QPainter>
#include <QProcess>
#include <gtest/gtest.h>

namespace {

// Records the bands a page paints, in order.
class TRecordingList : public TrpList
{
public:
    using TrpList::TrpList;
    mutable QStringList bands;
    void PaintPageHeader(QPainter &p, const QRectF &r, int page) const override
    {
        bands << QStringLiteral("header %1").arg(page + 1);
        TrpList::PaintPageHeader(p, r, page);
    }
    void PaintTitle(QPainter &p, const QRectF &r) const override
    {
        bands << QStringLiteral("title");
        TrpList::PaintTitle(p, r);
    }
    void PaintColumnHeader(QPainter &p, const QRectF &r) const override
    {
        bands << QStringLiteral("columns");
        TrpList::PaintColumnHeader(p, r);
    }
    void PaintDetail(QPainter &p, const QRectF &r, int row) const override
    {
        bands << QStringLiteral("row %1").arg(row);
        TrpList::PaintDetail(p, r, row);
    }
    void PaintPageFooter(QPainter &p, const QRectF &r, int page) const override
    {
        bands << QStringLiteral("footer %1").arg(page + 1);
        TrpList::PaintPageFooter(p, r, page);
    }
};

} // namespace

// Rows fill a page up to its footer; the next page repeats the page header and the
// column header, the title comes once. Any page paints alone.
TEST(ListReport, PagesRepeatTheirBandsAndPaintAlone)
{
    TReportAlbums albums(10);
    TRecordingList report(albums.items, {{fdTitle, QStringLiteral("Title"), 0}});
    const qreal row = report.DetailHeight(0);
    const qreal fixed =
        report.PageHeaderHeight() + report.ColumnHeaderHeight() + report.PageFooterHeight();
    // Six rows a page; page 1 has the title too.
    const qreal height = fixed + 6 * row + 1;
    const int first = int((6 * row + 1 - report.TitleHeight()) / row);
    ASSERT_GT(first, 0);
    report.Paginate(QSizeF(600, height));
    ASSERT_EQ(report.PageCount(), 1 + (10 - first + 5) / 6);
    EXPECT_EQ(report.EndRow(0), first);
    EXPECT_EQ(report.EndRow(1), first + 6);

    QImage image(600, int(height) + 1, QImage::Format_RGB32);
    QPainter painter(&image);
    report.PaintPage(painter, 1);
    QStringList expected = {QStringLiteral("header 2"), QStringLiteral("columns")};
    for (int r = first; r < first + 6; ++r)
        expected << QStringLiteral("row %1").arg(r);
    expected << QStringLiteral("footer 2");
    EXPECT_EQ(report.bands, expected);
    report.bands.clear();
    report.PaintPage(painter, 0);
    EXPECT_EQ(report.bands.mid(0, 4),
              (QStringList{QStringLiteral("header 1"), QStringLiteral("title"),
                           QStringLiteral("columns"), QStringLiteral("row 0")}));
}

TEST(ListReport, ShadingWidthsAndAnEmptyList)
{
    TReportAlbums albums(3);
    TrpList report(albums.items,
                   {{fdTitle, QStringLiteral("Title"), 0}, {fdYear, QStringLiteral("Year"), 40}});
    EXPECT_EQ(report.ColumnWidth(0), 100);
    EXPECT_EQ(report.ColumnWidth(1), 40);
    EXPECT_EQ(report.RowBackground(0), QColor(Qt::white));
    report.Shading = true;
    EXPECT_EQ(report.RowBackground(0), QColor(0xC0, 0xC0, 0xC0));
    EXPECT_EQ(report.RowBackground(1), QColor(Qt::white));
    EXPECT_EQ(report.RowBackground(2), QColor(0xC0, 0xC0, 0xC0));

    // The silver is on the paper, behind the first row.
    report.Paginate(QSizeF(300, 1000));
    QImage image(300, 1000, QImage::Format_RGB32);
    image.fill(Qt::white);
    QPainter painter(&image);
    report.PaintPage(painter, 0);
    painter.end();
    const int y = int(report.PageHeaderHeight() + report.TitleHeight() +
                      report.ColumnHeaderHeight() + report.DetailHeight(0) / 2);
    EXPECT_EQ(QColor(image.pixel(290, y)), QColor(0xC0, 0xC0, 0xC0));
    EXPECT_EQ(QColor(image.pixel(290, y + int(report.DetailHeight(0)))), QColor(Qt::white));

    TrpList empty({}, {{fdTitle, QStringLiteral("Title"), 0}});
    empty.Paginate(QSizeF(300, 1000));
    EXPECT_EQ(empty.PageCount(), 0);
}

// The report as a PDF, read back by a PDF reader: title, captions, rows in order, page
// numbers and the footer.
TEST(ListReport, PdfReadsBack)
{
    TTestHome home;
    const QString db = home.file(QStringLiteral("music.qel"));
    ASSERT_EQ(
        RunQel({QStringLiteral("generate"), QStringLiteral("--albums"), QStringLiteral("200"), db})
            .exitCode,
        0);
    const QString pdf = home.file(QStringLiteral("list.pdf"));
    TRunResult r = RunQel({QStringLiteral("report"), QStringLiteral("list"), db, pdf,
                           QStringLiteral("--title"), QStringLiteral("Everything Here"),
                           QStringLiteral("--columns"), QStringLiteral("Title,Year"),
                           QStringLiteral("--shading")});
    ASSERT_EQ(r.exitCode, 0) << r.err.constData();
    const int count = r.out.split(' ').value(0).toInt();
    EXPECT_GE(count, 2) << r.out.constData();
    QProcess text;
    text.start(QStringLiteral("pdftotext"), {QStringLiteral("-layout"), pdf, QStringLiteral("-")});
    ASSERT_TRUE(text.waitForFinished(30000));
    const QString out = QString::fromUtf8(text.readAllStandardOutput());
    const QStringList pages = out.split(u'\f', Qt::SkipEmptyParts);
    ASSERT_EQ(pages.size(), count);
    EXPECT_TRUE(pages[0].contains(QStringLiteral("Everything Here")));
    EXPECT_FALSE(pages[1].contains(QStringLiteral("Everything Here")));
    for (int i = 0; i < count; ++i) {
        SCOPED_TRACE(i);
        EXPECT_TRUE(pages[i].trimmed().startsWith(QString::number(i + 1)));
        EXPECT_TRUE(pages[i].contains(QStringLiteral("Title")));
        EXPECT_TRUE(pages[i].contains(
            QStringLiteral("This report has been created with Qel, Music edition")));
    }
    // Every album is there (sorted by title, as `qel list` sorts it; long titles cut at
    // the column's edge).
    TQelDb read;
    read.ReadFile(db, false);
    for (qsizetype i = 0; i < read.AlbumCount(); i += 17) {
        const QString title = QString(read.Album(i)->Title).left(6);
        EXPECT_TRUE(out.contains(title)) << title.toStdString();
    }

    // Nothing to print: no file.
    const QString none = home.file(QStringLiteral("none.pdf"));
    ASSERT_EQ(RunQel({QStringLiteral("generate"), QStringLiteral("--albums"), QStringLiteral("0"),
                      home.file(QStringLiteral("empty.qel"))})
                  .exitCode,
              0);
    r = RunQel({QStringLiteral("report"), QStringLiteral("list"),
                home.file(QStringLiteral("empty.qel")), none});
    EXPECT_EQ(r.out, "0 pages: the list is empty\n");
    EXPECT_FALSE(QFile::exists(none));
}

// The list report prints the list `qel list` selects with the same options.
TEST(ListReport, PrintsTheSelectedList)
{
    TTestHome home;
    const QString pdf = home.file(QStringLiteral("mara.pdf"));
    const QString demo = QStringLiteral(QEL_BINARY_DIR "/resources/demo.qel");
    TRunResult r = RunQel({QStringLiteral("report"), QStringLiteral("list"), demo, pdf,
                           QStringLiteral("--filter"), QStringLiteral("Artist/Composer~Kestrel"),
                           QStringLiteral("--sort"), QStringLiteral("Year:desc")});
    ASSERT_EQ(r.exitCode, 0) << r.err.constData();
    QProcess text;
    text.start(QStringLiteral("pdftotext"), {QStringLiteral("-layout"), pdf, QStringLiteral("-")});
    ASSERT_TRUE(text.waitForFinished(30000));
    const QString out = QString::fromUtf8(text.readAllStandardOutput());
    EXPECT_TRUE(out.contains(QStringLiteral("Mara Kestrel")));
    EXPECT_FALSE(out.contains(QStringLiteral("Copper Orchard")));
    // Newest first.
    EXPECT_LT(out.indexOf(QStringLiteral("2010")), out.indexOf(QStringLiteral("1998")));

    r = RunQel({QStringLiteral("report"), QStringLiteral("list"), demo, pdf,
                QStringLiteral("--group"), QStringLiteral("Nonsense")});
    EXPECT_EQ(r.exitCode, 2);
}
