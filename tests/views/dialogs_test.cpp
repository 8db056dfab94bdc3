#include "model/qeldb.h"
#include "model/tracks.h"
#include "shell/dmglobal.h"
#include "shell/settingsstore.h"
#include "testsupport.h"
#include "views/filter.h"
#include "views/ui/browsewindow.h"
#include "views/ui/filterdialog.h"
#include "views/ui/selectfields.h"
#include "views/ui/statisticswindow.h"

#include <QApplication>
#include <QCheckBox>
#include <QComboBox>
#include <QDialog>
#include <QDir>
#include <QImage>
#include <QLabel>
#include <QLineEdit>
#include <QListWidget>
#include <QMimeData>
#include <QPlainTextEdit>
#include <QPushButton>
#include <QRadioButton>
#include <QScrollArea>
#include <QTest>
#include <QTimer>
#include <QToolButton>
#include <QTreeWidget>
#include <QTreeWidgetItemIterator>
#include <algorithm>
#include <functional>
#include <gtest/gtest.h>

namespace {
// Runs check on the modal dialog about to be shown, then makes sure it closes
// (a failed ASSERT inside check would otherwise leave it open).
// An item view takes a double click only on the row the button went down on.
void doubleClick(QAbstractItemView *view, const QRect &row)
{
    QTest::mouseClick(view->viewport(), Qt::LeftButton, {}, row.center());
    QTest::mouseDClick(view->viewport(), Qt::LeftButton, {}, row.center());
}

// A test home with the program's resources on an in-memory settings store.
struct Env
{
    TTestHome home;
    TMemorySettingsStore store;
    TdmGlobal dm{QStringList{}, &store};
    TQelDb db;

    TAlbum *addAlbum(const QString &title, const QString &artist, QList<qint32> trackLengths = {})
    {
        auto *album = new TAlbum(&db);
        album->Title = title;
        album->Artist = db.LookupList(fdArtist).GetOrAdd(artist);
        db.AddAlbum(album);
        if (!trackLengths.isEmpty()) {
            auto *disc = new TDisc(album);
            album->Add(disc);
            for (qint32 length : trackLengths) {
                auto *track = new TTrack(disc);
                track->Title = title + QStringLiteral(" track");
                track->Length = length;
                track->Position = qint32(disc->Count()) + 1;
                disc->Add(track);
            }
            disc->RebuildTrackList();
        }
        return album;
    }
};
} // namespace

TEST(FilterDialog, OkRebuildsTheFilterFromTheControls)
{
    Env env;
    env.addAlbum(QStringLiteral("Help"), QStringLiteral("Beatles, The"));
    env.addAlbum(QStringLiteral("Hush"), QStringLiteral("Quiet"));
    TFilterFields filter(ilAlbum);
    WhenModal([](QDialog *d) {
        EXPECT_EQ(d->windowTitle(), QStringLiteral("Album Filter"));
        // The artist list offers the lookup entries' sort names.
        if (auto *artist = Child<QComboBox>(d, "cbArtist")) {
            ASSERT_EQ(artist->count(), 2);
            EXPECT_EQ(artist->itemText(0), QStringLiteral("Beatles, The"));
            EXPECT_TRUE(artist->currentText().isEmpty());
        }
        QTest::keyClicks(Child<QLineEdit>(d, "edTitle"), QStringLiteral("Help"));
        auto *rare = Child<QCheckBox>(d, "ckRare");
        ASSERT_EQ(rare->checkState(), Qt::PartiallyChecked); // no condition yet
        QTest::keyClick(rare, Qt::Key_Space);
        Click(d, "btOk");
    });
    ASSERT_TRUE(EditFilter(nullptr, filter, env.db, env.dm));
    EXPECT_EQ(filter.GetDescription(env.dm.Fields()),
              QStringLiteral("(\"Help\" in Title) AND (Rare is Yes)"));
}

TEST(FilterDialog, ControlsFollowTheLevelAndTheUsersFieldNames)
{
    Env env;
    env.dm.Fields().SetFieldName(fdYear, QStringLiteral("<b>&Released</b>"));
    const struct
    {
        const char *name;
        bool album, track;
    } controls[] = {
        {"edHeaderTitle", false, true}, {"ckRare", true, false},         {"edBPM1", false, true},
        {"edPrice2", true, false},      {"cbTrackLookup1", false, true}, {"edTitle", true, true},
    };
    for (TItemLevel level : {ilAlbum, ilTrack}) {
        TFilterFields filter(level);
        WhenModal([&](QDialog *d) {
            for (const auto &c : controls) {
                if (auto *w = Child<QWidget>(d, c.name)) {
                    EXPECT_EQ(w->isEnabled(), level == ilAlbum ? c.album : c.track) << c.name;
                }
            }
            // The label of a control is the user's name, accelerator kept, never markup.
            auto *year = Child<QLineEdit>(d, "edYear");
            const auto labels = d->findChildren<QLabel *>();
            const auto label = std::find_if(labels.begin(), labels.end(),
                                            [&](QLabel *l) { return l->buddy() == year; });
            ASSERT_NE(label, labels.end());
            EXPECT_EQ((*label)->text(), QStringLiteral("<b>&Released</b>"));
            EXPECT_EQ((*label)->textFormat(), Qt::PlainText);
        });
        EXPECT_FALSE(EditFilter(nullptr, filter, env.db, env.dm));
    }
}

TEST(FilterDialog, ClearFilterEmptiesTheControlsOnly)
{
    Env env;
    TFilterFields filter(ilAlbum);
    filter.Combination = 1;
    filter.Add(std::make_unique<TStringFilterField>(fdTitle, QStringLiteral("x")));
    filter.Add(std::make_unique<TBoolFilterField>(fdRare, 1));
    const QString before = filter.GetDescription(env.dm.Fields());

    auto clearAndPress = [&](const char *button) {
        WhenModal([button](QDialog *d) {
            auto *title = Child<QLineEdit>(d, "edTitle");
            auto *rare = Child<QCheckBox>(d, "ckRare");
            EXPECT_EQ(title->text(), QStringLiteral("x"));
            EXPECT_EQ(rare->checkState(), Qt::Checked);
            Click(d, "btClearAll");
            EXPECT_TRUE(title->text().isEmpty());
            EXPECT_EQ(rare->checkState(), Qt::PartiallyChecked);
            EXPECT_TRUE(Child<QRadioButton>(d, "rbOr")->isChecked());
            Click(d, button);
        });
    };
    clearAndPress("btCancel");
    EXPECT_FALSE(EditFilter(nullptr, filter, env.db, env.dm));
    EXPECT_EQ(filter.GetDescription(env.dm.Fields()), before);

    clearAndPress("btOk");
    EXPECT_TRUE(EditFilter(nullptr, filter, env.db, env.dm));
    EXPECT_EQ(filter.Count(), 0);
    EXPECT_EQ(filter.Combination, 1);
}

TEST(SelectFieldsDialog, DoubleClickAddsAFieldThatOnlyOkKeeps)
{
    const struct
    {
        const char *button;
        bool result;
        qsizetype count;
    } cases[] = {{"btOk", true, 4}, {"btCancel", false, 3}};
    for (const auto &c : cases) {
        Env env;
        TShowFields fields(ilAlbum);
        fields.AddDefaults();
        WhenModal([&](QDialog *d) {
            EXPECT_EQ(d->windowTitle(), QStringLiteral("Album Fields for List Columns"));
            auto *tree = Child<QTreeWidget>(d, "tvFields");
            auto *list = Child<QListWidget>(d, "lvFields");
            ASSERT_TRUE(tree && list);
            QTreeWidgetItem *index = tree->topLevelItem(0)->child(0); // "Main" is open
            ASSERT_EQ(index->text(0), QStringLiteral("Index"));
            doubleClick(tree, tree->visualItemRect(index));
            ASSERT_EQ(list->count(), 4);
            EXPECT_EQ(list->item(3)->text(), QStringLiteral("Index"));
            EXPECT_EQ(list->currentRow(), 3);
            Click(d, c.button);
        });
        EXPECT_EQ(SelectFields(nullptr, fields, QStringLiteral("for List Columns"), env.dm),
                  c.result);
        ASSERT_EQ(fields.Count(), c.count) << c.button;
        EXPECT_EQ(fields.Items(c.count - 1)->FieldId, c.result ? fdIndex : fdYear);
        // The size is kept either way.
        EXPECT_TRUE(env.store.ValueExists(QStringLiteral("SelectFieldsWindow"),
                                          QStringLiteral("TreeWidth")));
    }
}

TEST(SelectFieldsDialog, DoubleClickOnAShowRowTakesItOut)
{
    Env env;
    TShowFields fields(ilAlbum);
    fields.AddDefaults(); // Artist/Composer, Title, Year
    WhenModal([](QDialog *d) {
        auto *list = Child<QListWidget>(d, "lvFields");
        ASSERT_TRUE(list);
        doubleClick(list, list->visualItemRect(list->item(1)));
        ASSERT_EQ(list->count(), 2);
        EXPECT_EQ(list->item(1)->text(), QStringLiteral("Year"));
        EXPECT_EQ(list->currentRow(), 1);
        Click(d, "btOk");
    });
    ASSERT_TRUE(SelectFields(nullptr, fields, {}, env.dm));
    ASSERT_EQ(fields.Count(), 2);
    EXPECT_EQ(fields.Items(0)->FieldId, fdArtist);
    EXPECT_EQ(fields.Items(1)->FieldId, fdYear);
}

TEST(SelectFieldsDialog, DoubleClickOnASortRowFlipsItsOrder)
{
    Env env;
    TSortFields fields(ilTrack);
    fields.Add(std::make_unique<TSortField>(fdYear, 1));
    WhenModal([](QDialog *d) {
        EXPECT_EQ(d->windowTitle(), QStringLiteral("Track Sort Order"));
        auto *list = Child<QListWidget>(d, "lvFields");
        ASSERT_TRUE(list);
        doubleClick(list, list->visualItemRect(list->item(0)));
        EXPECT_TRUE(Child<QWidget>(d, "rgOrder")->isEnabled());
        EXPECT_TRUE(Child<QRadioButton>(d, "rbDescending")->isChecked());
        Click(d, "btOk");
    });
    ASSERT_TRUE(SelectFields(nullptr, fields, {}, env.dm));
    EXPECT_EQ(fields.Items(0)->Order, -1);
}

TEST(SelectFieldsDialog, DropsAddMoveAndRemoveRows)
{
    // What a pane receives at the end of a drag: the origin and a field or row number.
    // The drop reaches only the widget that accepted the drag's entry.
    auto drop = [](QAbstractItemView *view, QPoint at, const char *payload) {
        QMimeData mime;
        mime.setData(QStringLiteral("application/x-qelmusic-field"), payload);
        const Qt::DropActions actions = Qt::CopyAction | Qt::MoveAction;
        QDragEnterEvent enter(at, actions, &mime, Qt::LeftButton, {});
        QCoreApplication::sendEvent(view->viewport(), &enter);
        QDropEvent drop(at, actions, &mime, Qt::LeftButton, {});
        QCoreApplication::sendEvent(view->viewport(), &drop);
    };
    enum Target { OnFirstRow, BelowLastRow, OnTree };
    const struct
    {
        const char *what;
        Target target;
        const char *payload;
        const char *rows; // joined by "|"
        int selected;
    } cases[] = {
        {"title onto the first row", OnFirstRow, "tree 1", "Title|Artist/Composer|Year", 0},
        {"genre below the last row", BelowLastRow, "tree 5", "Artist/Composer|Title|Year|Genre", 3},
        {"first row below the last", BelowLastRow, "list 0", "Title|Year|Artist/Composer", 2},
        {"last row onto the tree", OnTree, "list 2", "Artist/Composer|Title", 1},
        {"a field onto the tree", OnTree, "tree 5", "Artist/Composer|Title|Year", -1},
    };
    for (const auto &c : cases) {
        Env env;
        TShowFields fields(ilAlbum);
        fields.AddDefaults();
        WhenModal([&](QDialog *d) {
            auto *tree = Child<QTreeWidget>(d, "tvFields");
            auto *list = Child<QListWidget>(d, "lvFields");
            ASSERT_TRUE(tree && list);
            const QPoint at = c.target == OnFirstRow ? list->visualItemRect(list->item(0)).center()
                              : c.target == BelowLastRow
                                  ? list->viewport()->rect().bottomLeft() + QPoint(4, -2)
                                  : tree->viewport()->rect().center();
            drop(c.target == OnTree ? static_cast<QAbstractItemView *>(tree) : list, at, c.payload);
            QStringList rows;
            for (int i = 0; i < list->count(); ++i)
                rows << list->item(i)->text();
            EXPECT_EQ(rows.join(u'|'), QLatin1String(c.rows)) << c.what;
            EXPECT_EQ(list->currentRow(), c.selected) << c.what;
        });
        SelectFields(nullptr, fields, {}, env.dm);
    }
}

namespace {
QStringList formTexts(QWidget *browse)
{
    QStringList texts;
    if (auto *form = Child<QScrollArea>(browse, "scBrowse"))
        for (const QLineEdit *e : form->widget()->findChildren<QLineEdit *>())
            texts << e->text();
    return texts;
}
} // namespace

TEST(BrowseWindow, StepsToTheLastItemAndReturnsItsPosition)
{
    Env env;
    TDataItemList items(ilAlbum);
    for (const char *title : {"One", "Two", "Three"})
        items.append(env.addAlbum(QLatin1String(title), QStringLiteral("Artist")));
    WhenModal([](QDialog *d) {
        EXPECT_EQ(Child<QLabel>(d, "laStatus")->text(), QStringLiteral("Item 2 of 3"));
        Click(d, "btLast");
        EXPECT_EQ(Child<QLabel>(d, "laStatus")->text(), QStringLiteral("Item 3 of 3"));
        EXPECT_TRUE(formTexts(d).contains(QStringLiteral("Three")));
        EXPECT_FALSE(Child<QWidget>(d, "btNext")->isEnabled());
        EXPECT_FALSE(Child<QWidget>(d, "btLast")->isEnabled());
        EXPECT_TRUE(Child<QWidget>(d, "btPrior")->isEnabled());
        Click(d, "btClose");
    });
    EXPECT_EQ(BrowseList(nullptr, items, ilAlbum, 1, env.dm), 2);
    EXPECT_EQ(env.store.ReadInteger(QStringLiteral("Browse\\AlbumShowFields"),
                                    QStringLiteral("Count"), 0),
              3);
}

TEST(BrowseWindow, OneItemShowsItsContentsAndItsAlbumsComments)
{
    Env env;
    TAlbum *album = env.addAlbum(QStringLiteral("Solo"), QStringLiteral("Artist"), {200, 250});
    album->Comments = QStringLiteral("first\r\nsecond");
    const auto *firstTrack = static_cast<TCustomTrack *>(album->Items(0)->Items(0));
    const struct
    {
        TItemLevel level;
        TDataItem *item;
        QStringList tree; // nodes in display order, children after their parent
    } cases[] = {
        {ilAlbum,
         album,
         {static_cast<TCustomTrack *>(album->Items(0))->GetCaption(), firstTrack->GetCaption(),
          static_cast<TCustomTrack *>(album->Items(0)->Items(1))->GetCaption()}},
        {ilTrack, album->Items(0)->Items(0), {}}, // a track without subtracks
    };
    for (const auto &c : cases) {
        TDataItemList items(c.level);
        items.append(c.item);
        WhenModal([&](QDialog *d) {
            EXPECT_EQ(Child<QLabel>(d, "laStatus")->text(), QStringLiteral("Item 1 of 1"));
            for (const char *name : {"btFirst", "btPrior", "btNext", "btLast"})
                EXPECT_FALSE(Child<QWidget>(d, name)->isEnabled()) << name;
            QStringList nodes;
            auto *tree = Child<QTreeWidget>(d, "tvDetails");
            for (QTreeWidgetItemIterator it(tree); *it; ++it) {
                nodes << (*it)->text(0);
                EXPECT_TRUE((*it)->isExpanded() || (*it)->childCount() == 0);
            }
            EXPECT_EQ(nodes, c.tree);
            EXPECT_EQ(Child<QPlainTextEdit>(d, "mmComments")->toPlainText(),
                      QStringLiteral("first\nsecond"));
        });
        EXPECT_EQ(BrowseList(nullptr, items, c.level, 0, env.dm), 0);
    }
}

TEST(BrowseWindow, ShowsACoverOnlyWhenItReads)
{
    Env env;
    const QString covers = env.home.file(QStringLiteral("covers"));
    QDir().mkpath(covers);
    env.dm.Prefs().CoversFolder = covers;
    QImage wide(40, 20, QImage::Format_RGB32);
    wide.fill(Qt::red);
    ASSERT_TRUE(wide.save(covers + QStringLiteral("/good.png")));
    const QByteArray png = ReadFileBytes(covers + QStringLiteral("/good.png"));
    WriteFileBytes(covers + QStringLiteral("/cut.png"), png.left(png.size() / 2));
    WriteFileBytes(covers + QStringLiteral("/text.png"), "not a picture");

    const struct
    {
        const char *file;
        bool shown;
    } cases[] = {{"good.png", true}, {"cut.png", false}, {"text.png", false}, {"gone.png", false}};
    for (const auto &c : cases) {
        TAlbum *album = env.addAlbum(QLatin1String(c.file), QStringLiteral("Artist"));
        album->CoverFile = QLatin1String(c.file);
        TDataItemList items(ilAlbum);
        items.append(album);
        WhenModal([&](QDialog *d) {
            QCoreApplication::processEvents();
            auto *cover = Child<QLabel>(d, "imCover");
            EXPECT_EQ(cover->isVisible(), c.shown) << c.file;
            if (c.shown) { // the panel's height, the picture's proportions
                EXPECT_EQ(cover->width(), 2 * Child<QWidget>(d, "pnCoverComments")->height());
            }
        });
        BrowseList(nullptr, items, ilAlbum, 0, env.dm);
    }
}

TEST(StatisticsWindow, ShowsTheTotalsOfTheDatabase)
{
    Env env;
    env.addAlbum(QStringLiteral("Long"), QStringLiteral("Artist"), {3000, 725});
    const struct
    {
        const char *panel;
        const char *text;
    } expected[] = {
        {"pnDatabase", "[New Database]"},
        {"pnNrAlbums", "1"},
        {"pnNrDiscs", "1"},
        {"pnNrTracks", "2"},
        {"pnAvgNrAlbumTracks", "2"},
        {"pnAvgNrDiscTracks", "2"},
        {"pnTotLength", "1 hours, 2 minutes, 5 seconds"},
        {"pnAvgAlbumLength", "62:05"},
        {"pnAvgTrackLength", "31:02"},
    };
    WhenModal([&](QDialog *d) {
        EXPECT_EQ(d->windowTitle(), QStringLiteral("Statistics"));
        for (const auto &e : expected) {
            if (auto *p = Child<QLabel>(d, e.panel)) {
                EXPECT_EQ(p->text(), QLatin1String(e.text)) << e.panel;
            }
        }
        Click(d, "btClose");
    });
    ShowStatistics(nullptr, env.db);
}
