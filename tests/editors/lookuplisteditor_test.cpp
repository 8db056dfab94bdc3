#include "editors/ui/lookupentrydialog.h"
#include "editors/ui/lookuplisteditor.h"
#include "model/album.h"
#include "model/lookuplist.h"
#include "model/qeldb.h"
#include "model/tracks.h"
#include "shell/dmglobal.h"
#include "shell/settingsstore.h"
#include "shell/ui/iconlists.h"
#include "testsupport.h"
#include "views/ui/qellistview.h"

#include <QAbstractItemModelTester>
#include <QAction>
#include <QApplication>
#include <QHeaderView>
#include <QLabel>
#include <QLineEdit>
#include <QMenu>
#include <QPushButton>
#include <QStatusBar>
#include <QTableView>
#include <QTest>
#include <QTimer>
#include <QToolButton>
#include <functional>
#include <gtest/gtest.h>

namespace {

// Answers the next entry dialog with the two names and OK; caption gets its title.
void answerEntry(const QString &sortName, const QString &displayName, QString *caption = nullptr)
{
    WhenModal([=](QDialog *d) {
        EXPECT_EQ(d->objectName(), QStringLiteral("fmLookupEdit"));
        if (caption)
            *caption = d->windowTitle();
        Child<QLineEdit>(d, "edSortName")->setText(sortName);
        Child<QLineEdit>(d, "edDisplayName")->setText(displayName);
        QTest::mouseClick(Child<QPushButton>(d, "btOK"), Qt::LeftButton);
    });
}

struct Env
{
    TTestHome home;
    TMemorySettingsStore store;
    TdmGlobal dm{QStringList{}, &store};
    TQelDb db;
    TScriptedInterface ui;

    TLookupList &artists() { return db.LookupList(fdArtist); }
    TLookupItem *artist(const char *sortName, const char *displayName = "")
    {
        return artists().FindOrCreate(QString::fromUtf8(sortName), QString::fromUtf8(displayName));
    }
    // An album by albumArtist with one track by trackArtist (none when null).
    TAlbum *addAlbum(const char *title, TLookupItem *albumArtist, TLookupItem *trackArtist)
    {
        auto *album = new TAlbum(&db);
        album->Title = QString::fromUtf8(title);
        album->Year = QStringLiteral("1998");
        album->Artist = albumArtist;
        auto *disc = new TDisc(album);
        album->Add(disc);
        auto *track = new TTrack(disc);
        track->Title = QStringLiteral("Opening");
        track->Artist = trackArtist;
        disc->Add(track);
        disc->RebuildTrackList();
        db.AddAlbum(album);
        return album;
    }
};

// The editor shown and active, so that its keys work.
struct Window
{
    explicit Window(Env &env, TFieldId field = fdArtist) : w(env.db, env.dm, field)
    {
        w.show();
        w.activateWindow();
        EXPECT_TRUE(QTest::qWaitForWindowActive(&w));
        tester = std::make_unique<QAbstractItemModelTester>(list()->model());
    }
    TQelListView *list() { return Child<TQelListView>(&w, "lvList"); }
    QTableView *table() { return list()->Details(); }
    int rows() { return list()->model()->rowCount(); }
    QString sortNames()
    {
        QStringList names;
        for (int row = 0; row < rows(); ++row)
            names << w.EntryAt(row)->SortName;
        return names.join(u'|');
    }
    QString status() { return Child<QStatusBar>(&w, "sbStatus")->findChild<QLabel *>()->text(); }
    QList<TLookupItem *> selected()
    {
        QList<TLookupItem *> entries;
        for (int row = 0; row < rows(); ++row)
            if (list()->selectionModel()->isRowSelected(row))
                entries << w.EntryAt(row);
        return entries;
    }
    QAction *action(const char *name) { return Child<QAction>(&w, name); }
    void selectRows(const QList<int> &rowsToSelect)
    {
        list()->selectionModel()->clearSelection();
        for (int row : rowsToSelect)
            list()->selectionModel()->select(list()->model()->index(row, 0),
                                             QItemSelectionModel::Select |
                                                 QItemSelectionModel::Rows);
    }
    void key(Qt::Key key) { QTest::keyClick(table(), key); }

    TfmLookupLists w;
    std::unique_ptr<QAbstractItemModelTester> tester;
};

} // namespace

TEST(LookupEntryDialog, OkNeedsASortNameAndGenerateFillsTheOtherName)
{
    QString sortName = QStringLiteral("Kestrel, Mara");
    QString displayName;
    WhenModal([](QDialog *d) {
        EXPECT_EQ(d->windowTitle(), QStringLiteral("Edit Artist"));
        auto *sort = Child<QLineEdit>(d, "edSortName");
        auto *display = Child<QLineEdit>(d, "edDisplayName");
        auto *ok = Child<QPushButton>(d, "btOK");
        EXPECT_EQ(d->focusWidget(), sort);
        EXPECT_EQ(sort->maxLength(), 255);
        EXPECT_EQ(display->maxLength(), 255);
        EXPECT_TRUE(ok->isEnabled());
        EXPECT_TRUE(ok->isDefault());

        QTest::mouseClick(Child<QPushButton>(d, "btGenerateDisplayName"), Qt::LeftButton);
        EXPECT_EQ(display->text(), QStringLiteral("Mara Kestrel"));
        sort->clear();
        EXPECT_FALSE(ok->isEnabled());
        display->setText(QStringLiteral("The Lanterns"));
        QTest::mouseClick(Child<QPushButton>(d, "btGenerateSortName"), Qt::LeftButton);
        EXPECT_EQ(sort->text(), QStringLiteral("Lanterns, The"));
        EXPECT_TRUE(ok->isEnabled());
        QTest::mouseClick(Child<QPushButton>(d, "btCancel"), Qt::LeftButton);
    });
    EXPECT_EQ(EditLookupEntry(nullptr, QStringLiteral("Edit Artist"), sortName, displayName),
              QDialog::Rejected);
    // The boxes' texts come back after Cancel too.
    EXPECT_EQ(sortName, QStringLiteral("Lanterns, The"));
    EXPECT_EQ(displayName, QStringLiteral("The Lanterns"));

    sortName.clear();
    displayName.clear();
    WhenModal([](QDialog *d) {
        auto *ok = Child<QPushButton>(d, "btOK");
        EXPECT_FALSE(ok->isEnabled()); // an empty sort name from the start
        QTest::keyClicks(Child<QLineEdit>(d, "edSortName"), QStringLiteral("Solenne"));
        QTest::keyClick(d, Qt::Key_Return);
    });
    EXPECT_EQ(EditLookupEntry(nullptr, QStringLiteral("Add Artist"), sortName, displayName),
              QDialog::Accepted);
    EXPECT_EQ(sortName, QStringLiteral("Solenne"));
    EXPECT_TRUE(displayName.isEmpty());
}

TEST(LookupListEditor, EmptyListHasNothingToEditOrRemove)
{
    Env env;
    Window win(env);
    EXPECT_EQ(win.w.windowTitle(), QStringLiteral("Lookup Lists"));
    EXPECT_EQ(win.w.objectName(), QStringLiteral("fmLookupLists"));
    EXPECT_EQ(Child<QToolButton>(&win.w, "btLookupLists")->text(),
              QStringLiteral("List: Artist/Composer"));
    EXPECT_EQ(win.rows(), 0);
    EXPECT_EQ(win.status(), QStringLiteral("0 items"));
    EXPECT_FALSE(win.list()->selectionModel()->hasSelection());
    EXPECT_FALSE(win.action("acEdit")->isEnabled());
    EXPECT_FALSE(win.action("acRemove")->isEnabled());
    EXPECT_TRUE(win.action("acAdd")->isEnabled());
    EXPECT_TRUE(win.action("acSelectUnused")->isEnabled());

    // Nothing to select: no message.
    win.action("acSelectUnused")->trigger();
    win.key(Qt::Key_Delete);
    EXPECT_TRUE(env.ui.messages.isEmpty());
    EXPECT_FALSE(win.w.Changed());
}

TEST(LookupListEditor, AddsAnEntryAndRefusesTheSameSortNameInAnotherCase)
{
    Env env;
    env.artist("Solenne");
    Window win(env);
    QString caption;
    answerEntry(QStringLiteral("Kestrel, Mara"), QStringLiteral("Mara Kestrel"), &caption);
    win.key(Qt::Key_Insert);
    EXPECT_EQ(caption, QStringLiteral("Add Artist/Composer"));
    ASSERT_EQ(env.artists().Count(), 2);
    TLookupItem *mara = env.artists().Items(env.artists().IndexOf(QStringLiteral("Kestrel, Mara")));
    EXPECT_EQ(mara->DisplayName, QStringLiteral("Mara Kestrel"));
    EXPECT_EQ(win.sortNames(), QStringLiteral("Kestrel, Mara|Solenne"));
    EXPECT_EQ(win.selected(), QList<TLookupItem *>{mara});
    EXPECT_EQ(win.status(), QStringLiteral("2 items"));
    EXPECT_TRUE(win.w.Changed());

    answerEntry(QStringLiteral("kestrel, MARA"), QStringLiteral("Someone Else"));
    win.action("acAdd")->trigger();
    EXPECT_EQ(env.ui.messages,
              QStringList{QStringLiteral("\"kestrel, MARA\" is already in the list.")});
    EXPECT_EQ(env.artists().Count(), 2);
    EXPECT_EQ(mara->DisplayName, QStringLiteral("Mara Kestrel"));
    EXPECT_EQ(win.rows(), 2);
}

TEST(LookupListEditor, EditAcceptsNewNamesButNotASortNameAlreadyInTheList)
{
    const struct
    {
        const char *sortName, *displayName;
        bool accepted;
    } cases[] = {
        {"Kestrel, Mara", "M. Kestrel", true},     // display name only
        {"KESTREL, mara", "Mara Kestrel", false},  // sort name changed only in case
        {"solenne", "Mara Kestrel", false},        // another entry's sort name
        {"Kestrel, Mara Jo", "Mara Kestrel", true} // a new sort name
    };
    for (const auto &c : cases) {
        SCOPED_TRACE(c.sortName);
        Env env;
        TLookupItem *mara = env.artist("Kestrel, Mara", "Mara Kestrel");
        env.artist("Solenne");
        Window win(env);
        ASSERT_EQ(win.selected(), QList<TLookupItem *>{mara}); // first row
        QString caption, shownSort, shownDisplay;
        WhenModal([&](QDialog *d) {
            caption = d->windowTitle();
            shownSort = Child<QLineEdit>(d, "edSortName")->text();
            shownDisplay = Child<QLineEdit>(d, "edDisplayName")->text();
            Child<QLineEdit>(d, "edSortName")->setText(QString::fromUtf8(c.sortName));
            Child<QLineEdit>(d, "edDisplayName")->setText(QString::fromUtf8(c.displayName));
            QTest::mouseClick(Child<QPushButton>(d, "btOK"), Qt::LeftButton);
        });
        win.key(Qt::Key_Return);
        EXPECT_EQ(caption, QStringLiteral("Edit Artist/Composer"));
        EXPECT_EQ(shownSort, QStringLiteral("Kestrel, Mara"));
        EXPECT_EQ(shownDisplay, QStringLiteral("Mara Kestrel"));
        const QString expectedSort =
            c.accepted ? QString::fromUtf8(c.sortName) : QStringLiteral("Kestrel, Mara");
        const QString expectedDisplay =
            c.accepted ? QString::fromUtf8(c.displayName) : QStringLiteral("Mara Kestrel");
        EXPECT_EQ(mara->SortName, expectedSort);
        EXPECT_EQ(mara->DisplayName, expectedDisplay);
        // The row shows the entry's names.
        EXPECT_EQ(win.list()->model()->index(0, 0).data().toString(), expectedSort);
        EXPECT_EQ(win.list()->model()->index(0, 1).data().toString(), expectedDisplay);
        EXPECT_EQ(win.w.Changed(), c.accepted);
        const QStringList refused{
            QStringLiteral("\"%1\" is already in the list.").arg(QString::fromUtf8(c.sortName))};
        EXPECT_EQ(env.ui.messages, c.accepted ? QStringList{} : refused);
    }
}

TEST(LookupListEditor, DoubleClickEditsAndUnchangedNamesChangeNothing)
{
    Env env;
    TLookupItem *solenne = env.artist("Solenne");
    env.artist("Zephyr");
    Window win(env);
    QString shown;
    WhenModal([&](QDialog *d) {
        shown = Child<QLineEdit>(d, "edSortName")->text();
        QTest::mouseClick(Child<QPushButton>(d, "btOK"), Qt::LeftButton);
    });
    const QRect row = win.table()->visualRect(win.list()->model()->index(1, 0));
    QTest::mouseClick(win.table()->viewport(), Qt::LeftButton, {}, row.center());
    QTest::mouseDClick(win.table()->viewport(), Qt::LeftButton, {}, row.center());
    EXPECT_EQ(shown, QStringLiteral("Zephyr"));
    EXPECT_EQ(solenne->SortName, QStringLiteral("Solenne"));
    EXPECT_FALSE(win.w.Changed());
}

TEST(LookupListEditor, RefusesToRemoveAnEntryThatOnlyATrackUses)
{
    Env env;
    TLookupItem *band = env.artist("Lanterns, The", "The Lanterns");
    TLookupItem *guest = env.artist("Kestrel, Mara", "Mara Kestrel");
    TLookupItem *spare = env.artist("Solenne");
    env.addAlbum("Harbour Lights", band, guest);
    Window win(env);
    ASSERT_EQ(win.sortNames(), QStringLiteral("Kestrel, Mara|Lanterns, The|Solenne"));

    win.key(Qt::Key_Delete);
    EXPECT_EQ(
        env.ui.messages,
        (QStringList{QStringLiteral("Are you sure you want to remove item \"Kestrel, Mara\"?"),
                     QStringLiteral("The item\r\n\"Kestrel, Mara\"\r\ncan not be removed "
                                    "because it is still used in album\r\n\"Harbour Lights "
                                    "- The Lanterns (1998)\"")}));
    EXPECT_EQ(env.artists().Count(), 3);
    EXPECT_EQ(win.selected(), QList<TLookupItem *>{guest});
    EXPECT_TRUE(win.w.Changed()); // the command ran with a selection

    // An unused entry goes, and the row in its place is selected.
    env.ui.messages.clear();
    win.selectRows({2});
    win.key(Qt::Key_Delete);
    EXPECT_EQ(env.ui.messages,
              QStringList{QStringLiteral("Are you sure you want to remove item \"Solenne\"?")});
    EXPECT_EQ(env.artists().IndexOfItem(spare), -1);
    EXPECT_EQ(win.sortNames(), QStringLiteral("Kestrel, Mara|Lanterns, The"));
    EXPECT_EQ(win.selected(), QList<TLookupItem *>{band});
    EXPECT_EQ(win.status(), QStringLiteral("2 items"));
}

TEST(LookupListEditor, SelectUnusedThenDeleteRemovesExactlyThem)
{
    Env env;
    TLookupItem *albumArtist = env.artist("Bravo");
    TLookupItem *trackArtist = env.artist("Delta");
    for (const char *name : {"Alpha", "Charlie", "Echo"})
        env.artist(name);
    env.addAlbum("Harbour Lights", albumArtist, trackArtist);
    Window win(env);

    win.action("acSelectUnused")->trigger();
    EXPECT_EQ(env.ui.messages,
              QStringList{QStringLiteral("Found and selected 3 unused items. Use \"Remove Selected "
                                         "Items (Del)\" to remove them from the list.")});
    EXPECT_EQ(env.ui.waitDepth, 0);
    ASSERT_EQ(win.selected().size(), 3);
    for (TLookupItem *entry : win.selected())
        EXPECT_TRUE(entry != albumArtist && entry != trackArtist) << entry->SortName.toStdString();

    env.ui.messages.clear();
    win.key(Qt::Key_Delete);
    EXPECT_EQ(env.ui.messages,
              QStringList{QStringLiteral("Are you sure you want to remove the 3 selected items?")});
    EXPECT_EQ(win.sortNames(), QStringLiteral("Bravo|Delta"));
    EXPECT_EQ(env.artists().Count(), 2);
    EXPECT_EQ(win.status(), QStringLiteral("2 items"));
    EXPECT_EQ(win.selected(), QList<TLookupItem *>{trackArtist}); // the last row
    EXPECT_TRUE(win.w.Changed());

    // Everything in use: nothing selected and nothing said.
    env.ui.messages.clear();
    win.action("acSelectUnused")->trigger();
    EXPECT_TRUE(env.ui.messages.isEmpty());
    EXPECT_TRUE(win.selected().isEmpty());
    EXPECT_FALSE(win.action("acRemove")->isEnabled());
}

TEST(LookupListEditor, SeveralSelectedRowsKeepThoseInUseAndNoKeepsAll)
{
    Env env;
    TLookupItem *used = env.artist("Bravo");
    for (const char *name : {"Alpha", "Charlie"})
        env.artist(name);
    env.addAlbum("Harbour Lights", used, nullptr);
    Window win(env);

    win.selectRows({0, 1, 2});
    env.ui.yes = false;
    win.key(Qt::Key_Delete);
    EXPECT_EQ(env.artists().Count(), 3);
    EXPECT_EQ(win.selected().size(), 3);

    env.ui.yes = true;
    env.ui.messages.clear();
    win.key(Qt::Key_Delete);
    ASSERT_EQ(env.ui.messages.size(), 2);
    EXPECT_EQ(env.ui.messages[0],
              QStringLiteral("Are you sure you want to remove the 3 selected items?"));
    EXPECT_TRUE(env.ui.messages[1].startsWith(QStringLiteral("The item\r\n\"Bravo\"\r\n")));
    EXPECT_EQ(win.sortNames(), QStringLiteral("Bravo"));
    EXPECT_EQ(win.selected(), QList<TLookupItem *>{used});
}

TEST(LookupListEditor, ChangedOnlyByAddingEditingOrRemoving)
{
    const struct
    {
        const char *what;
        std::function<void(Window &)> act;
        bool changed;
    } cases[] = {
        {"add cancelled",
         [](Window &win) {
             WhenModal([](QDialog *d) { d->reject(); });
             win.key(Qt::Key_Insert);
         },
         false},
        {"add",
         [](Window &win) {
             answerEntry(QStringLiteral("Zephyr"), {});
             win.key(Qt::Key_Insert);
         },
         true},
        {"edit cancelled",
         [](Window &win) {
             WhenModal([](QDialog *d) {
                 Child<QLineEdit>(d, "edSortName")->setText(QStringLiteral("Other"));
                 d->reject();
             });
             win.key(Qt::Key_Return);
         },
         false},
        {"refresh, sort and select unused",
         [](Window &win) {
             win.key(Qt::Key_F5);
             win.w.SortBy(1);
             win.action("acSelectUnused")->trigger();
         },
         false},
        {"remove", [](Window &win) { win.key(Qt::Key_Delete); }, true},
    };
    for (const auto &c : cases) {
        SCOPED_TRACE(c.what);
        Env env;
        env.artist("Solenne");
        Window win(env);
        c.act(win);
        EXPECT_EQ(win.w.Changed(), c.changed);
    }
}

TEST(LookupListEditor, HeaderClicksSortAndReverseKeepingTheSelection)
{
    Env env;
    env.artist("alpha", "Zed");
    TLookupItem *bravo = env.artist("Bravo", "yak");
    env.artist("charlie", "Xu");
    Window win(env);
    win.selectRows({1});
    win.list()->SetCurrentRow(1);
    ASSERT_EQ(win.sortNames(), QStringLiteral("alpha|Bravo|charlie"));
    EXPECT_EQ(win.list()->HeaderImage(0), TIconLists::kSortAscending);

    const struct
    {
        int column;
        const char *order;
        int sortedColumn, direction;
    } clicks[] = {
        {0, "charlie|Bravo|alpha", 0, -1}, // the sorted column again reverses
        {1, "charlie|Bravo|alpha", 1, 1},  // another column starts ascending: Xu, yak, Zed
        {1, "alpha|Bravo|charlie", 1, -1},
        {0, "alpha|Bravo|charlie", 0, 1},
    };
    QHeaderView *header = win.table()->horizontalHeader();
    for (const auto &c : clicks) {
        const QPoint at(header->sectionViewportPosition(c.column) + 5, header->height() / 2);
        QTest::mouseClick(header->viewport(), Qt::LeftButton, {}, at);
        EXPECT_EQ(win.sortNames(), QString::fromUtf8(c.order));
        EXPECT_EQ(win.w.SortColumn(), c.sortedColumn);
        EXPECT_EQ(win.w.SortDirection(), c.direction);
        const int arrow =
            c.direction > 0 ? TIconLists::kSortAscending : TIconLists::kSortDescending;
        EXPECT_EQ(win.list()->HeaderImage(c.sortedColumn), arrow);
        EXPECT_EQ(win.list()->HeaderImage(1 - c.sortedColumn), -1);
        EXPECT_EQ(win.selected(), QList<TLookupItem *>{bravo});
    }
}

TEST(LookupListEditor, TheMenuSwitchesBetweenTheFifteenLists)
{
    Env env;
    env.artist("Solenne");
    env.db.LookupList(fdGenre).FindOrCreate(QStringLiteral("Jazz"), {});
    env.db.LookupList(fdGenre).FindOrCreate(QStringLiteral("Blues"), {});
    env.dm.Fields().SetFieldName(fdGenre, QStringLiteral("&Style"));
    Window win(env);

    auto *menu = Child<QMenu>(&win.w, "pmLookupLists");
    ASSERT_EQ(menu->actions().size(), 15);
    QList<int> fields;
    for (QAction *a : menu->actions())
        fields << a->data().toInt();
    EXPECT_TRUE(std::is_sorted(fields.begin(), fields.end()));
    auto itemOf = [menu](TFieldId field) {
        for (QAction *a : menu->actions())
            if (a->data().toInt() == field)
                return a;
        return static_cast<QAction *>(nullptr);
    };
    EXPECT_TRUE(itemOf(fdArtist)->isChecked());
    EXPECT_EQ(itemOf(fdGenre)->text(), QStringLiteral("Style"));

    itemOf(fdGenre)->trigger();
    EXPECT_EQ(win.w.Field(), fdGenre);
    EXPECT_EQ(Child<QToolButton>(&win.w, "btLookupLists")->text(), QStringLiteral("List: Style"));
    EXPECT_TRUE(itemOf(fdGenre)->isChecked());
    EXPECT_FALSE(itemOf(fdArtist)->isChecked());
    EXPECT_EQ(win.sortNames(), QStringLiteral("Blues|Jazz"));
    EXPECT_EQ(win.status(), QStringLiteral("2 items"));

    // The field name shows in the entry dialog, and entries go to the list shown.
    win.selectRows({1});
    QString caption;
    answerEntry(QStringLiteral("Bebop"), {}, &caption);
    win.key(Qt::Key_Insert);
    EXPECT_EQ(caption, QStringLiteral("Add Style"));
    EXPECT_NE(env.db.LookupList(fdGenre).IndexOf(QStringLiteral("Bebop")), -1);
    EXPECT_EQ(env.artists().Count(), 1);
}

TEST(LookupListEditor, RefreshShowsNewEntriesAndKeepsTheSelectedOne)
{
    Env env;
    env.artist("Alpha");
    TLookupItem *charlie = env.artist("Charlie");
    Window win(env);
    win.selectRows({1});
    win.list()->SetCurrentRow(1);
    env.artist("Bravo");
    ASSERT_EQ(win.rows(), 2);
    win.key(Qt::Key_F5);
    EXPECT_EQ(win.sortNames(), QStringLiteral("Alpha|Bravo|Charlie"));
    EXPECT_EQ(win.selected(), QList<TLookupItem *>{charlie});
    EXPECT_EQ(win.status(), QStringLiteral("3 items"));
}

TEST(LookupListEditor, RemembersItsSizeAndColumnWidths)
{
    Env env;
    env.artist("Solenne");
    const QString section = QStringLiteral("EditLookupListsWindow");
    env.store.WriteInteger(section, QStringLiteral("Width"), 610);
    env.store.WriteInteger(section, QStringLiteral("Height"), 380);
    env.store.WriteInteger(section, QStringLiteral("SortNameWidth"), 150);
    env.store.WriteInteger(section, QStringLiteral("DisplayNameWidth"), 170);
    WhenModal([](QDialog *d) {
        EXPECT_EQ(d->objectName(), QStringLiteral("fmLookupLists"));
        EXPECT_EQ(d->size(), QSize(610, 380));
        QTableView *table = Child<TQelListView>(d, "lvList")->Details();
        EXPECT_EQ(table->columnWidth(0), 150);
        EXPECT_EQ(table->columnWidth(1), 170);
        // Escape does not close the window.
        QTest::keyClick(table, Qt::Key_Escape);
        EXPECT_TRUE(d->isVisible());
        d->resize(640, 400);
        table->setColumnWidth(0, 180);
        table->setColumnWidth(1, 90);
        QTest::mouseClick(Child<QToolButton>(d, "btClose"), Qt::LeftButton);
        EXPECT_FALSE(d->isVisible());
    });
    EXPECT_FALSE(EditLookupLists(nullptr, env.db, env.dm, fdArtist));
    EXPECT_EQ(env.store.ReadInteger(section, QStringLiteral("Width"), 0), 640);
    EXPECT_EQ(env.store.ReadInteger(section, QStringLiteral("Height"), 0), 400);
    EXPECT_EQ(env.store.ReadInteger(section, QStringLiteral("SortNameWidth"), 0), 180);
    EXPECT_EQ(env.store.ReadInteger(section, QStringLiteral("DisplayNameWidth"), 0), 90);
}

TEST(LookupListEditor, ReportsAChangeMadeWhileOpen)
{
    Env env;
    WhenModal([](QDialog *d) {
        answerEntry(QStringLiteral("Solenne"), {});
        QTest::mouseClick(Child<QToolButton>(d, "btAddItem"), Qt::LeftButton);
        d->close(); // the close box
    });
    EXPECT_TRUE(EditLookupLists(nullptr, env.db, env.dm, fdArtist));
    EXPECT_EQ(env.artists().Count(), 1);
    EXPECT_TRUE(
        env.store.ValueExists(QStringLiteral("EditLookupListsWindow"), QStringLiteral("Width")));
}

// Removing many entries is one removal by the collection (one pass over the albums,
// one announcement to the views), whichever rows are kept because they are in use.
TEST(LookupListEditor, RemovingTheSelectionIsOneRemovalByTheCollection)
{
    struct Log : TLookupRemovalListener
    {
        void LookupItemsAboutToBeRemoved(TFieldId, const TLookupItemSet &entries) override
        {
            QStringList names;
            for (const TLookupItem *e : entries)
                names << e->SortName;
            names.sort();
            removals << names.join(u',');
        }
        void LookupItemsRemoved(TFieldId) override {}
        QStringList removals;
    } log;
    Env env;
    env.db.AddLookupRemovalListener(&log);
    TLookupItem *used = env.artist("Bravo");
    for (const char *name : {"Alpha", "Charlie", "Delta", "Echo"})
        env.artist(name);
    env.addAlbum("Harbour Lights", used, nullptr);
    {
        Window win(env);
        win.selectRows({0, 1, 2, 4});
        win.key(Qt::Key_Delete);
        EXPECT_EQ(log.removals, QStringList{QStringLiteral("Alpha,Charlie,Echo")});
        EXPECT_EQ(win.sortNames(), QStringLiteral("Bravo|Delta"));
        // The row where the last removed one was, or the last row.
        EXPECT_EQ(win.selected(), QList<TLookupItem *>{env.artists().Items(1)});

        log.removals.clear();
        win.selectRows({0});
        win.key(Qt::Key_Delete); // in use: nothing is removed
        EXPECT_TRUE(log.removals.isEmpty());
    }
    env.db.RemoveLookupRemovalListener(&log);
}
