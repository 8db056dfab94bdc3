#include "model/album.h"
#include "model/qeldb.h"
#include "model/tracks.h"
#include "testsupport.h"
#include "views/ui/duplicateswindow.h"

#include <QLabel>
#include <QPushButton>
#include <QTest>
#include <QTreeWidget>
#include <gtest/gtest.h>

namespace {

struct Window
{
    TQelDb db;
    TQelFields fields;
    std::vector<TAlbum *> shown;
    std::vector<std::vector<TAlbum *>> asked; // what the window asked to remove
    bool removeAnswer = true;
    std::unique_ptr<TfmDuplicates> w;

    TAlbum *add(const char *title, const char *artist, qint32 cddb = 0)
    {
        auto *album = new TAlbum(&db);
        album->Title = QString::fromUtf8(title);
        album->Artist = db.LookupList(fdArtist).GetOrAdd(QString::fromUtf8(artist));
        album->Location = QStringLiteral("Shelf 3");
        auto *disc = new TDisc(album);
        disc->CddbDiscId = cddb;
        album->Add(disc);
        db.AddAlbum(album);
        return album;
    }
    void open()
    {
        TDuplicatesHost host;
        host.showAlbum = [this](TAlbum *a) { shown.push_back(a); };
        host.removeAlbums = [this](const std::vector<TAlbum *> &albums) {
            asked.push_back(albums);
            if (!removeAnswer)
                return false;
            for (TAlbum *a : albums) {
                db.RemoveAlbum(a);
                delete a;
            }
            return true;
        };
        w = std::make_unique<TfmDuplicates>(db, fields, std::move(host));
        w->show();
        EXPECT_TRUE(QTest::qWaitForWindowExposed(w.get()));
    }
    QTreeWidget *tree() { return Child<QTreeWidget>(w.get(), "tvDuplicates"); }
    QTreeWidgetItem *row(int group, int album) { return tree()->topLevelItem(group)->child(album); }
    QString count() { return Child<QLabel>(w.get(), "lbCount")->text(); }
};

} // namespace

TEST(DuplicatesWindow, ListsGroupsShowsAnAlbumAndRemovesTheSelectedOnes)
{
    Window win;
    TAlbum *a = win.add("Abbey Road", "The Beatles");
    TAlbum *b = win.add("Abbey Road", "Beatles, The");
    TAlbum *c = win.add("Lowlight", "Northern Static", 0x1234);
    win.add("Other", "Someone", 0x1234);
    win.add("Unique", "Nobody");
    win.open();
    EXPECT_EQ(win.w->objectName(), QStringLiteral("fmDuplicates"));
    ASSERT_EQ(win.w->GroupCount(), 2);
    EXPECT_EQ(win.count(), QStringLiteral("2 groups, 4 albums"));
    EXPECT_EQ(win.tree()->topLevelItem(0)->text(0),
              QStringLiteral("2 albums with the same title and artist"));
    EXPECT_EQ(win.row(0, 1)->text(1), QStringLiteral("Beatles, The"));
    EXPECT_EQ(win.row(0, 1)->text(4), QStringLiteral("Shelf 3"));
    EXPECT_FALSE(Child<QPushButton>(win.w.get(), "btRemove")->isEnabled());

    // A double click shows the album.
    QTreeWidget *tree = win.tree();
    const QRect r = tree->visualItemRect(win.row(1, 0));
    QTest::mouseClick(tree->viewport(), Qt::LeftButton, {}, r.center());
    QTest::mouseDClick(tree->viewport(), Qt::LeftButton, {}, r.center());
    EXPECT_EQ(win.shown, std::vector<TAlbum *>{c});
    tree->clearSelection();

    // No: nothing leaves the window.
    win.row(0, 0)->setSelected(true);
    ASSERT_TRUE(Child<QPushButton>(win.w.get(), "btRemove")->isEnabled());
    win.removeAnswer = false;
    Click(win.w.get(), "btRemove");
    EXPECT_EQ(win.asked, (std::vector<std::vector<TAlbum *>>{{a}}));
    EXPECT_EQ(win.w->GroupCount(), 2);

    // Removed: the group left with one album goes.
    win.removeAnswer = true;
    win.asked.clear();
    Click(win.w.get(), "btRemove");
    EXPECT_EQ(win.asked, (std::vector<std::vector<TAlbum *>>{{a}}));
    EXPECT_EQ(win.w->GroupCount(), 1);
    EXPECT_EQ(win.count(), QStringLiteral("1 group, 2 albums"));
    Q_UNUSED(b)
}

// The window stays open beside the main window, which may free albums meanwhile: a row
// of an album gone is never followed (AddressSanitizer would see the freed album read).
TEST(DuplicatesWindow, RowsOfAlbumsFreedMeanwhileAreSkipped)
{
    Window win;
    TAlbum *a = win.add("Abbey Road", "The Beatles");
    TAlbum *b = win.add("Abbey Road", "Beatles, The");
    win.add("Abbey Road", "beatles");
    win.open();
    ASSERT_EQ(win.tree()->topLevelItem(0)->childCount(), 3);
    win.db.RemoveAlbum(a);
    delete a;
    // An album edited the main window's way is a new object with the same identifier.
    TAlbum *edited = b->Copy(true);
    win.db.RemoveAlbum(b);
    win.db.AddAlbum(edited);
    delete b;

    EXPECT_EQ(win.w->AlbumOf(win.row(0, 0)), nullptr);
    EXPECT_EQ(win.w->AlbumOf(win.row(0, 1)), nullptr);
    win.w->ShowRow(win.row(0, 0));
    EXPECT_TRUE(win.shown.empty());
    for (int i = 0; i < 3; ++i)
        win.row(0, i)->setSelected(true);
    Click(win.w.get(), "btRemove");
    ASSERT_EQ(win.asked.size(), 1u);
    EXPECT_EQ(win.asked[0].size(), 1u); // only the album still there
    EXPECT_EQ(win.w->GroupCount(), 0);

    // Looking again finds the collection as it is now.
    win.add("Abbey Road", "The Beatles");
    Click(win.w.get(), "btFind");
    EXPECT_EQ(win.w->GroupCount(), 1);
    EXPECT_EQ(win.w->AlbumOf(win.row(0, 0)), edited);
}
