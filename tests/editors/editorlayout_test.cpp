#include "editors/ui/albumeditor.h"
#include "editors/ui/lookuplisteditor.h"
#include "model/album.h"
#include "model/qeldb.h"
#include "shell/dmglobal.h"
#include "shell/settingsstore.h"
#include "testsupport.h"
#include <QApplication>
#include <QLabel>
#include <QStyle>
#include <QTabBar>
#include <QTabWidget>
#include <QToolButton>
#include <gtest/gtest.h>

namespace {

// The editors as they first open, at the font size of a usual desktop (the tests'
// platform has a smaller one).
class EditorLayout : public ::testing::Test
{
protected:
    void SetUp() override { QApplication::setFont(QFont(QStringLiteral("DejaVu Sans"), 11)); }
    void TearDown() override { QApplication::setFont(m_font); }

    TTestHome home;
    TScriptedInterface ui;
    TMemorySettingsStore store;
    TdmGlobal dm{QStringList{}, &store};
    TQelDb db;

private:
    QFont m_font = QApplication::font();
};

TEST_F(EditorLayout, TheAlbumEditorShowsEveryTabAndTheWholeCoverFileName)
{
    TAlbum album(&db);
    const QString cover = QStringLiteral("lamps-along-the-quay.jpg");
    album.CoverFile = cover;
    TfmAlbum w(nullptr, album, TfmAlbum::amEdit, db, dm);
    w.show();
    auto *pages = Child<QTabWidget>(&w, "pcAlbum");
    ASSERT_TRUE(pages);
    // No tab hides behind scroll arrows, also when the window is made as small as it goes.
    for (const QSize size : {w.size(), QSize(1, 1)}) {
        w.resize(size);
        QApplication::processEvents();
        const QTabBar *bar = pages->tabBar();
        for (int i = 0; i < bar->count(); ++i)
            EXPECT_LE(bar->tabRect(i).right(), bar->width() - 1) << bar->tabText(i).toStdString();
    }
    pages->setCurrentWidget(Child<QWidget>(&w, "tsCover"));
    QApplication::processEvents();
    auto *file = Child<QLabel>(&w, "pnCoverFile");
    EXPECT_GE(file->contentsRect().width(), file->fontMetrics().horizontalAdvance(cover));
}

TEST_F(EditorLayout, TheLookupListButtonKeepsRoomForItsArrowBesideTheText)
{
    for (TFieldId field : {fdGenre, fdArtist}) {
        TfmLookupLists w(db, dm, field, nullptr);
        w.show();
        auto *button = Child<QToolButton>(&w, "btLookupLists");
        ASSERT_TRUE(button);
        QToolButton bare;
        bare.setToolButtonStyle(Qt::ToolButtonTextOnly);
        bare.setText(button->text());
        const int arrow = button->style()->pixelMetric(QStyle::PM_MenuButtonIndicator);
        EXPECT_GE(button->width(), bare.sizeHint().width() + arrow) << button->text().toStdString();
    }
}

} // namespace
