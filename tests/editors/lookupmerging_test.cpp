#include "editors/ui/lookuplisteditor.h"
#include "model/album.h"
#include "model/lookuplist.h"
#include "model/qeldb.h"
#include "model/tracks.h"
#include "shell/dmglobal.h"
#include "shell/fielddefaults.h"
#include "shell/settingsstore.h"
#include "testsupport.h"
#include "views/ui/qellistview.h"

#include <QAbstractItemModelTester>
#include <QAction>
#include <QLabel>
#include <QListWidget>
#include <QPushButton>
#include <QSignalSpy>
#include <QTableView>
#include <QTest>
#include <gtest/gtest.h>

namespace {

struct Editor
{
    TTestHome home;
    TMemorySettingsStore store;
    TdmGlobal dm{QStringList{}, &store};
    TQelDb db;
    TScriptedInterface ui;
    std::unique_ptr<TfmLookupLists> w;
    std::unique_ptr<QAbstractItemModelTester> tester;

    TLookupItem *entry(const char *sortName, const char *displayName = "",
                       TFieldId field = fdArtist)
    {
        return db.LookupList(field).FindOrCreate(QString::fromUtf8(sortName),
                                                 QString::fromUtf8(displayName));
    }
    // An album by artist whose track is by trackArtist.
    TAlbum *album(const char *title, TLookupItem *artist, TLookupItem *trackArtist)
    {
        auto *a = new TAlbum(&db);
        a->Title = QString::fromUtf8(title);
        a->Artist = artist;
        auto *disc = new TDisc(a);
        a->Add(disc);
        auto *track = new TTrack(disc);
        track->Artist = trackArtist;
        disc->Add(track);
        disc->RebuildTrackList();
        db.AddAlbum(a);
        return a;
    }
    void open(TFieldId field = fdArtist)
    {
        w = std::make_unique<TfmLookupLists>(db, dm, field);
        w->show();
        tester = std::make_unique<QAbstractItemModelTester>(list()->model());
    }
    TQelListView *list() { return Child<TQelListView>(w.get(), "lvList"); }
    int rows() { return list()->model()->rowCount(); }
    int rowOf(const TLookupItem *e)
    {
        for (int row = 0; row < rows(); ++row)
            if (w->EntryAt(row) == e)
                return row;
        return -1;
    }
    void select(const QList<TLookupItem *> &entries)
    {
        list()->selectionModel()->clearSelection();
        for (TLookupItem *e : entries)
            list()->selectionModel()->select(list()->model()->index(rowOf(e), 0),
                                             QItemSelectionModel::Select |
                                                 QItemSelectionModel::Rows);
    }
    QStringList selected()
    {
        QStringList names;
        for (int row = 0; row < rows(); ++row)
            if (list()->selectionModel()->isRowSelected(row))
                names << w->EntryAt(row)->SortName;
        return names;
    }
    QString sortNames()
    {
        QStringList names;
        for (int row = 0; row < rows(); ++row)
            names << w->EntryAt(row)->SortName;
        return names.join(u'|');
    }
    QAction *action(const char *name) { return Child<QAction>(w.get(), name); }
    QString groupStatus() { return Child<QLabel>(w.get(), "pnGroup")->text(); }
};

// Answers the merge question with the entry of this caption (none: Cancel); choices
// gets the captions offered, the suggested one first marked with "*".
void answerMerge(const QString &keep, QStringList *choices = nullptr)
{
    WhenModal([=](QDialog *d) {
        EXPECT_EQ(d->objectName(), QStringLiteral("fmMergeLookups"));
        auto *list = Child<QListWidget>(d, "lbKeep");
        for (int i = 0; i < list->count(); ++i) {
            if (choices)
                *choices << (list->item(i) == list->currentItem() ? QStringLiteral("*")
                                                                  : QString()) +
                                list->item(i)->text();
            if (list->item(i)->text() == keep)
                list->setCurrentRow(i);
        }
        Click(d, keep.isEmpty() ? "btCancel" : "btOK");
    });
}

} // namespace

// The merge asks which entry stays, repoints albums and tracks at it, and leaves one
// row, selected; the field defaults that named a merged entry name the kept one.
TEST(LookupMerging, MergeSelectedIntoKeepsTheChosenEntryEverywhere)
{
    Editor e;
    TLookupItem *lanterns = e.entry("Lanterns, The", "The Lanterns");
    TLookupItem *plain = e.entry("Lanterns");
    TLookupItem *lower = e.entry("lanterns (band)");
    TLookupItem *other = e.entry("Solenne");
    TAlbum *a1 = e.album("Harbour Lights", plain, lower);
    TAlbum *a2 = e.album("Night Ferry", other, plain);
    e.open();
    EXPECT_FALSE(e.action("acMerge")->isEnabled());
    e.select({plain});
    EXPECT_FALSE(e.action("acMerge")->isEnabled()); // one entry merges into nothing

    // Cancel changes nothing.
    e.select({lanterns, plain, lower});
    ASSERT_TRUE(e.action("acMerge")->isEnabled());
    answerMerge({});
    e.action("acMerge")->trigger();
    EXPECT_EQ(e.db.LookupList(fdArtist).Count(), 4);
    EXPECT_FALSE(e.w->Changed());

    QStringList choices;
    answerMerge(QStringLiteral("Lanterns, The  (The Lanterns)"), &choices);
    e.action("acMerge")->trigger();
    EXPECT_EQ(choices.size(), 3);
    EXPECT_EQ(e.sortNames(), QStringLiteral("Lanterns, The|Solenne"));
    EXPECT_EQ(e.selected(), QStringList{QStringLiteral("Lanterns, The")});
    EXPECT_EQ(a1->Artist, lanterns);
    EXPECT_EQ(a1->Disc(0)->Track(0)->Artist, lanterns);
    EXPECT_EQ(a2->Artist, other);
    EXPECT_EQ(a2->Disc(0)->Track(0)->Artist, lanterns);
    EXPECT_EQ(lanterns->DisplayName, QStringLiteral("The Lanterns")); // its names kept
    EXPECT_TRUE(e.w->Changed());
    EXPECT_EQ(Child<QLabel>(e.w.get(), "pnItems")->text(), QStringLiteral("2 items"));
}

TEST(LookupMerging, FieldDefaultsNamingAMergedEntryNameTheKeptOne)
{
    Editor e;
    TLookupItem *jazz = e.entry("Jazz", "", fdGenre);
    TLookupItem *old = e.entry("jazz music", "", fdGenre);
    e.dm.FieldDefaults().Genre = QStringLiteral("JAZZ MUSIC");
    e.open(fdGenre);
    e.select({jazz, old});
    answerMerge(QStringLiteral("Jazz"));
    e.action("acMerge")->trigger();
    EXPECT_EQ(e.dm.FieldDefaults().Genre, QStringLiteral("Jazz"));
    EXPECT_EQ(e.store.ReadString(QStringLiteral("Defaults"), QStringLiteral("Genre"), {}),
              QStringLiteral("Jazz"));
}

// Find Similar selects one group at a time; a merge of the group shown keeps Next Group
// on the group after it, and the last group leaves Next Group disabled.
TEST(LookupMerging, FindSimilarStepsThroughTheGroupsAcrossAMerge)
{
    Editor e;
    for (const char *name : {"Beatles, The", "The Beatles", "Beatless", "Beyoncé", "Beyonce",
                             "Simon & Garfunkel", "Simon and Garfunkel", "Solenne"})
        e.entry(name);
    e.open();
    EXPECT_FALSE(e.action("acNextGroup")->isEnabled());
    e.action("acFindSimilar")->trigger();
    EXPECT_EQ(e.selected(),
              (QStringList{QStringLiteral("Beatles, The"), QStringLiteral("The Beatles")}));
    EXPECT_EQ(e.groupStatus(), QStringLiteral("Similar names: group 1 of 3"));
    EXPECT_TRUE(e.action("acMerge")->isEnabled());

    answerMerge(QStringLiteral("Beatles, The"));
    e.action("acMerge")->trigger();
    EXPECT_EQ(e.groupStatus(), QStringLiteral("Similar names: 2 groups left"));
    ASSERT_TRUE(e.action("acNextGroup")->isEnabled());
    e.action("acNextGroup")->trigger();
    EXPECT_EQ(e.selected(), (QStringList{QStringLiteral("Beyonce"), QStringLiteral("Beyoncé")}));
    EXPECT_EQ(e.groupStatus(), QStringLiteral("Similar names: group 1 of 2"));
    e.action("acNextGroup")->trigger();
    EXPECT_EQ(e.selected(), (QStringList{QStringLiteral("Simon & Garfunkel"),
                                         QStringLiteral("Simon and Garfunkel")}));
    EXPECT_FALSE(e.action("acNextGroup")->isEnabled());
    EXPECT_TRUE(e.ui.messages.isEmpty());

    // Nothing alike in another list: said so.
    e.w->SwitchList(fdGenre);
    e.action("acFindSimilar")->trigger();
    EXPECT_EQ(e.ui.messages,
              QStringList{QStringLiteral("No items with similar names were found.")});
    EXPECT_TRUE(e.groupStatus().isEmpty());
}

// The counts behind "Select Unused" follow the window's own removals and merges.
TEST(LookupMerging, SelectUnusedFollowsMergesAndRemovals)
{
    Editor e;
    TLookupItem *a = e.entry("Alpha");
    TLookupItem *b = e.entry("Bravo");
    e.entry("Charlie");
    TLookupItem *d = e.entry("Delta");
    e.album("One", a, b);
    e.open();
    e.action("acSelectUnused")->trigger();
    EXPECT_EQ(e.selected(), (QStringList{QStringLiteral("Charlie"), QStringLiteral("Delta")}));

    // Bravo's use moves to Delta: Delta is in use now.
    e.select({b, d});
    answerMerge(QStringLiteral("Delta"));
    e.action("acMerge")->trigger();
    e.ui.messages.clear();
    e.action("acSelectUnused")->trigger();
    EXPECT_EQ(e.selected(), QStringList{QStringLiteral("Charlie")});
    e.action("acRemove")->trigger();
    EXPECT_EQ(e.sortNames(), QStringLiteral("Alpha|Delta"));
    e.ui.messages.clear();
    e.action("acSelectUnused")->trigger();
    EXPECT_TRUE(e.selected().isEmpty());
    EXPECT_TRUE(e.ui.messages.isEmpty());
}

// Filling the list is one reset of its model, not a row-by-row refill (which makes the
// views record every row's position, twice when the rows were then sorted).
TEST(LookupMerging, RefreshFillsTheListInOneReset)
{
    Editor e;
    for (const char *name : {"Charlie", "alpha", "Bravo"})
        e.entry(name);
    e.open();
    QAbstractItemModel *model = e.list()->model();
    QSignalSpy resets(model, &QAbstractItemModel::modelReset);
    QSignalSpy inserted(model, &QAbstractItemModel::rowsInserted);
    QSignalSpy removed(model, &QAbstractItemModel::rowsRemoved);
    QSignalSpy changed(model, &QAbstractItemModel::dataChanged);
    QSignalSpy layouts(model, &QAbstractItemModel::layoutChanged);
    e.action("acRefresh")->trigger();
    EXPECT_EQ(resets.count(), 1);
    EXPECT_EQ(inserted.count() + removed.count() + changed.count() + layouts.count(), 0);
    EXPECT_EQ(e.sortNames(), QStringLiteral("alpha|Bravo|Charlie"));
}
