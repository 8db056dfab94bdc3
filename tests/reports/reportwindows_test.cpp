#include "model/album.h"
#include "model/qeldb.h"
#include "model/tracks.h"
#include "reportalbums.h"
#include "reports/bandreport.h"
#include "reports/ui/previewwindow.h"
#include "reports/ui/printalbumsdialog.h"
#include "reports/ui/printlistdialog.h"
#include "shell/settingsstore.h"
#include "testsupport.h"

#include <QAction>
#include <QApplication>
#include <QCheckBox>
#include <QFileInfo>
#include <QHeaderView>
#include <QLabel>
#include <QLineEdit>
#include <QPrinterInfo>
#include <QProgressBar>
#include <QPushButton>
#include <QRadioButton>
#include <QSpinBox>
#include <QTest>
#include <QToolButton>
#include <QTreeWidget>
#include <gtest/gtest.h>

TEST(PrintListDialog, SampleSettingsAndColumnOrder)
{
    TReportAlbums albums(100);
    TMemorySettingsStore store;
    TQelFields fields;
    {
        TfmPrintList dialog(albums.items, ilAlbum, store, fields);
        auto *sample = Child<QTreeWidget>(&dialog, "lvRepDef");
        EXPECT_EQ(sample->topLevelItemCount(), 31);
        ASSERT_EQ(sample->columnCount(), 3);
        EXPECT_EQ(sample->headerItem()->text(1), QStringLiteral("Title"));
        Child<QLineEdit>(&dialog, "edTitle")->setText(QStringLiteral("Shelf"));
        Child<QCheckBox>(&dialog, "ckShading")->setChecked(true);
        Child<QRadioButton>(&dialog, "rbInches")->setChecked(true);
        Child<QSpinBox>(&dialog, "seTopMargin")->setValue(5);
        // Title first, then the artist.
        sample->header()->moveSection(1, 0);
        // The fonts come from the right-click menus.
        EXPECT_EQ(dialog.DataFont().family(), QStringLiteral("Arial"));
        EXPECT_EQ(dialog.DataFont().pointSize(), 8);
        dialog.ChooseFont = [](QFont &font, QWidget *) {
            font.setPointSize(14);
            font.setBold(true);
            return true;
        };
        Child<QAction>(&dialog, "acTitleFont")->trigger();
        EXPECT_EQ(Child<QLineEdit>(&dialog, "edTitle")->font().pointSize(), 14);
        dialog.ChooseFont = [](QFont &font, QWidget *) {
            font.setItalic(true);
            return true;
        };
        Child<QAction>(&dialog, "acListFont")->trigger();
        EXPECT_TRUE(sample->font().italic());
        dialog.reject();
    }
    TfmPrintList again(albums.items, ilAlbum, store, fields);
    EXPECT_EQ(Child<QLineEdit>(&again, "edTitle")->text(), QStringLiteral("Shelf"));
    EXPECT_TRUE(Child<QRadioButton>(&again, "rbInches")->isChecked());
    EXPECT_EQ(Child<QTreeWidget>(&again, "lvRepDef")->headerItem()->text(0),
              QStringLiteral("Title"));
    // Tenths of an inch: 5 is half an inch.
    const QPageLayout layout = again.PageLayout();
    EXPECT_EQ(layout.units(), QPageLayout::Inch);
    EXPECT_DOUBLE_EQ(layout.margins().top(), 0.5);
    std::unique_ptr<TrpList> report = again.MakeReport();
    EXPECT_TRUE(report->Shading);
    EXPECT_EQ(report->DetailCount(), 100);
    EXPECT_EQ(report->Title, QStringLiteral("Shelf"));
    EXPECT_TRUE(again.TitleFont().bold());
    EXPECT_EQ(again.TitleFont().pointSize(), 14);
    EXPECT_FALSE(again.DataFont().bold());
    EXPECT_TRUE(again.DataFont().italic());
    // The report's fonts are the dialog's, in the report's pixels (96 per inch).
    EXPECT_TRUE(report->TitleFont.bold());
    EXPECT_EQ(report->TitleFont.pixelSize(), 19); // 14 points at 96 pixels per inch
    EXPECT_TRUE(report->DataFont.italic());

    if (!QPrinterInfo::availablePrinterNames().isEmpty())
        GTEST_SKIP() << "this machine has a printer";
    TScriptedInterface ui;
    Click(&again, "btPrint");
    EXPECT_EQ(ui.messages,
              QStringList{QStringLiteral(
                  "No printer found on your system; Please install a printer first.")});
}

namespace {

// Rows of one height; nothing painted. Enough rows that measuring them takes slices.
class TTallReport : public TBandReport
{
public:
    qreal PageHeaderHeight() const override { return 20; }
    qreal TitleHeight() const override { return 0; }
    qreal ColumnHeaderHeight() const override { return 20; }
    qreal PageFooterHeight() const override { return 20; }
    int DetailCount() const override { return 20000; }
    qreal DetailHeight(int) const override { return 20; }
    void PaintPageHeader(QPainter &, const QRectF &, int) const override {}
    void PaintTitle(QPainter &, const QRectF &) const override {}
    void PaintColumnHeader(QPainter &, const QRectF &) const override {}
    void PaintDetail(QPainter &, const QRectF &, int) const override {}
    void PaintPageFooter(QPainter &, const QRectF &, int) const override {}
};

} // namespace

// The preview opens before a long report is measured: the pages known so far can be
// visited, the count grows, and the bar goes when the pass is done.
TEST(PreviewWindow, PagesShowWhileTheRestIsMeasured)
{
    TTallReport report;
    const QPageLayout layout(QPageSize(QPageSize::A4), QPageLayout::Portrait, QMarginsF(),
                             QPageLayout::Millimeter);
    const int slice = TfmPreview::PaginationSliceMs;
    TfmPreview::PaginationSliceMs = 0; // one step of rows a slice
    TfmPreview preview(report, layout, QStringLiteral("Tall"));
    TfmPreview::PaginationSliceMs = slice;
    preview.show();
    auto *bar = Child<QProgressBar>(&preview, "pbProgress");
    auto *text = Child<QLabel>(&preview, "pnPage");
    ASSERT_FALSE(report.Paginated());
    EXPECT_TRUE(bar->isVisible());
    const int early = report.CompletePages();
    EXPECT_GT(early, 1);
    EXPECT_EQ(text->text(), QStringLiteral("   Page 1 of %1").arg(early));
    QTest::keyClick(&preview, Qt::Key_End);
    EXPECT_EQ(preview.CurrentPage(), early); // the last page measured whole so far

    for (int i = 0; i < 1000 && !report.Paginated(); ++i)
        QApplication::processEvents();
    ASSERT_TRUE(report.Paginated());
    EXPECT_FALSE(bar->isVisible());
    // 1123 pixels of A4 less the three 20-pixel bands hold 53 rows of 20.
    const int pages = (20000 + 52) / 53;
    EXPECT_EQ(report.PageCount(), pages);
    EXPECT_EQ(text->text(), QStringLiteral("   Page %1 of %2").arg(early).arg(pages));
}

TEST(PreviewWindow, NavigationAndPageText)
{
    for (const int count : {5, 400}) {
        SCOPED_TRACE(count);
        TReportAlbums albums(count);
        TrpList report(albums.items, {{fdTitle, QStringLiteral("Title"), 0}});
        const QPageLayout layout(QPageSize(QPageSize::A4), QPageLayout::Portrait,
                                 QMarginsF(20, 20, 20, 20), QPageLayout::Millimeter);
        TfmPreview preview(report, layout, QStringLiteral("Shelf"));
        preview.show();
        const int pages = report.PageCount();
        ASSERT_EQ(pages > 1, count == 400);
        auto *text = Child<QLabel>(&preview, "pnPage");
        EXPECT_EQ(text->text(), QStringLiteral("   Page 1 of %1").arg(pages));
        EXPECT_EQ(preview.windowTitle(), QStringLiteral("Preview of report \"Shelf\""));
        for (const char *name : {"btFirst", "btPrior"})
            EXPECT_FALSE(Child<QToolButton>(&preview, name)->isEnabled());
        for (const char *name : {"btNext", "btLast"})
            EXPECT_EQ(Child<QToolButton>(&preview, name)->isEnabled(), pages > 1);
        QTest::keyClick(&preview, Qt::Key_PageUp);
        EXPECT_EQ(preview.CurrentPage(), 1);
        QTest::keyClick(&preview, Qt::Key_End);
        EXPECT_EQ(preview.CurrentPage(), pages);
        QTest::keyClick(&preview, Qt::Key_PageDown);
        EXPECT_EQ(preview.CurrentPage(), pages);
        EXPECT_EQ(text->text(), QStringLiteral("   Page %1 of %1").arg(pages));
        EXPECT_FALSE(preview.grab().isNull());

        TTestHome home;
        const QString pdf = home.file(QStringLiteral("out.pdf"));
        preview.ChoosePdfFile = [&](QWidget *) { return pdf; };
        Click(&preview, "btPdf");
        EXPECT_GT(QFileInfo(pdf).size(), 0);
    }
}

TEST(PrintAlbumsDialog, SamplesLayoutSwitchAndStoredWidths)
{
    TQelDb db;
    std::vector<const TAlbum *> albums;
    for (int a = 0; a < 2; ++a) {
        auto *album = new TAlbum(&db);
        album->Title = QStringLiteral("Album %1").arg(a);
        for (int d = 0; d < 2; ++d) {
            auto *disc = new TDisc(album);
            album->Add(disc);
            for (int t = 0; t < 3; ++t) {
                auto *track = new TTrack(disc);
                track->Title = QStringLiteral("Track %1.%2.%3").arg(a).arg(d).arg(t);
                disc->Add(track);
            }
            disc->RebuildTrackList();
        }
        db.AddAlbum(album);
        albums.push_back(album);
    }
    TMemorySettingsStore store;
    TQelFields fields;
    {
        TfmPrintAlbums dialog(albums, store, fields, QString());
        // Two albums: the first track of each disc.
        EXPECT_EQ(Child<QTreeWidget>(&dialog, "lvTrackFields")->topLevelItemCount(), 4);
        auto *sample = Child<QTreeWidget>(&dialog, "lvAlbumFields");
        EXPECT_EQ(sample->headerItem()->text(0), QStringLiteral("Field Name"));
        Child<QRadioButton>(&dialog, "rbTabular")->setChecked(true);
        EXPECT_EQ(sample->topLevelItemCount(), 2);
        sample->header()->resizeSection(0, 321);
        dialog.reject();
    }
    TfmPrintAlbums again({albums.front()}, store, fields, QString());
    EXPECT_TRUE(Child<QRadioButton>(&again, "rbTabular")->isChecked());
    EXPECT_EQ(again.AlbumColumns().Items(0)->Width, 321);
    // One album: every track.
    EXPECT_EQ(Child<QTreeWidget>(&again, "lvTrackFields")->topLevelItemCount(), 6);
    std::unique_ptr<TrpAlbums> report = again.MakeReport();
    EXPECT_EQ(report->Layout, TrpAlbums::alTabular);
    EXPECT_GT(report->DetailCount(), 6);
}
