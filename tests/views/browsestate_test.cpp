#include "model/album.h"
#include "model/collectiongenerator.h"
#include "model/qeldb.h"
#include "model/tracks.h"
#include "shell/prefs.h"
#include "views/browsestate.h"
#include "views/filter.h"

#include "testsupport.h"

#include <QAbstractItemModelTester>
#include <QSignalSpy>
#include <QTableView>
#include <QTreeView>
#include <algorithm>
#include <functional>
#include <gtest/gtest.h>
#include <vector>

namespace {

const QString kDemo = QStringLiteral(QEL_BINARY_DIR "/resources/demo.qel");

// The demo collection behind a browse state whose models are watched by the
// model tester throughout.
struct Browse : ::testing::Test
{
    TTestHome home;
    TQelDb db;
    TQelFields fields;
    TViewDefinitions views;
    TPrefs prefs;
    std::unique_ptr<TBrowseState> state;
    std::unique_ptr<QAbstractItemModelTester> treeTester, listTester;

    void SetUp() override
    {
        ASSERT_NO_THROW(db.ReadFile(kDemo, false));
        db.FileName = kDemo;
        views.AlbumShowFields.AddDefaults();
        views.TrackShowFields.AddDefaults();
        prefs.LyricsFolder = QStringLiteral(QEL_BINARY_DIR "/resources/demo/lyrics");
        prefs.CoversFolder = QStringLiteral(QEL_BINARY_DIR "/resources/demo/covers");
        state = std::make_unique<TBrowseState>(db, fields, views, &prefs);
        treeTester = std::make_unique<QAbstractItemModelTester>(
            state->TreeModel(), QAbstractItemModelTester::FailureReportingMode::Fatal);
        listTester = std::make_unique<QAbstractItemModelTester>(
            state->ListModel(), QAbstractItemModelTester::FailureReportingMode::Fatal);
    }

    void startAfresh()
    {
        TState s;
        s.Clear();
        state->RebuildTree();
        s.Restore(*state, nullptr);
    }
    TTreeNode *child(TTreeNode *node, const QString &caption)
    {
        state->FillNode(node);
        for (TTreeNode &c : node->children)
            if (state->NodeCaption(&c) == caption)
                return &c;
        return nullptr;
    }
    QStringList column(int col)
    {
        QStringList texts;
        auto *m = state->ListModel();
        for (int r = 0; r < m->rowCount(); ++r)
            texts << m->data(m->index(r, col)).toString();
        return texts;
    }
    QStringList captions(TTreeNode *node)
    {
        QStringList texts;
        for (const TTreeNode &c : node->children)
            texts << state->NodeCaption(&c);
        return texts;
    }
};

} // namespace

TEST_F(Browse, ScenarioKeepsTheSelectedRowAcrossARebuild)
{
    startAfresh(); // album view grouped by artist
    EXPECT_EQ(state->ListContent, TBrowseState::lcGroups);
    EXPECT_EQ(state->SelectedNode(), state->Root());
    EXPECT_EQ(state->NodeCaption(state->Root()), QStringLiteral("demo.qel"));

    TTreeNode *mara = child(state->Root(), QStringLiteral("Mara Kestrel"));
    ASSERT_NE(mara, nullptr);
    state->SelectNode(mara);
    EXPECT_EQ(state->ListContent, TBrowseState::lcAlbums);
    EXPECT_EQ(column(1),
              QStringList({QStringLiteral("Lamps Along the Quay"), QStringLiteral("Salt and Paper"),
                           QStringLiteral("Winter Letters")}));
    EXPECT_EQ(state->CountText(), QStringLiteral("3 albums"));
    EXPECT_EQ(state->CurrentAlbum()->Title.toString(), QStringLiteral("Lamps Along the Quay"));

    state->ClickColumn(2); // "Year": ascending first
    EXPECT_EQ(column(2), QStringList({QStringLiteral("1998"), QStringLiteral("2004"),
                                      QStringLiteral("2010")}));
    state->ClickColumn(2); // then descending
    EXPECT_EQ(column(2), QStringList({QStringLiteral("2010"), QStringLiteral("2004"),
                                      QStringLiteral("1998")}));
    EXPECT_EQ(state->SortMarkColumn(), 2);
    EXPECT_EQ(state->SortMarkOrder(), -1);
    EXPECT_EQ(state->SelectedRow(), 0);

    // Track view grouped by genre, with a filter on the title.
    state->TreeType = 1;
    state->SetGroupField(fdGenre);
    views.TrackFilter.Add(std::make_unique<TStringFilterField>(fdTitle, QStringLiteral("night")));
    views.TrackFilter.Enabled = true;
    startAfresh();
    EXPECT_EQ(state->FilterText(), QStringLiteral("Filter: (\"night\" in Title)"));
    ASSERT_EQ(state->ListContent, TBrowseState::lcGroups);
    ASSERT_GE(state->RowCount(), 2);
    TTreeNode *folder = &state->Root()->children[1];
    state->SelectNode(folder);
    ASSERT_GE(state->RowCount(), 1);
    const int row = state->RowCount() - 1;
    state->SelectRow(row);
    const qint32 id = state->RowObject(row)->ID;
    const QString folderCaption = state->NodeCaption(folder);

    TState remembered;
    remembered.Remember(*state);
    state->RebuildTree();
    EXPECT_EQ(state->SelectedNode(), nullptr);
    remembered.Restore(*state, nullptr);
    ASSERT_NE(state->SelectedNode(), nullptr);
    EXPECT_EQ(state->NodeCaption(state->SelectedNode()), folderCaption);
    EXPECT_EQ(state->SelectedRow(), row);
    EXPECT_EQ(state->RowObject(row)->ID, id);
    EXPECT_EQ(state->CurrentTrack()->ID, id);
}

TEST_F(Browse, AlbumsWithoutAValueAreInNoFolder)
{
    TAlbum *loner = db.Album(4);
    loner->Artist = nullptr;
    startAfresh();
    bool found = false;
    for (TTreeNode &folder : state->Root()->children) {
        state->FillNode(&folder);
        for (const TTreeNode &a : folder.children)
            found = found || a.object == loner;
    }
    EXPECT_FALSE(found);
    state->SetGroupField(fdNone);
    startAfresh();
    EXPECT_EQ(state->ListContent, TBrowseState::lcAlbums);
    EXPECT_EQ(state->RowCount(), db.AlbumCount());
    EXPECT_TRUE(state->CurrentItems.contains(loner));
    EXPECT_EQ(state->CountText(), QStringLiteral("%1 albums").arg(db.AlbumCount()));
}

TEST_F(Browse, TrackFoldersFollowTheFilter)
{
    db.LookupList(fdGenre).GetOrAdd(QStringLiteral("Zydeco")); // used by nothing
    state->TreeType = 1;
    state->SetGroupField(fdGenre);
    startAfresh();
    EXPECT_EQ(state->Root()->children.size(), std::size_t(db.LookupList(fdGenre).Count()));
    EXPECT_NE(child(state->Root(), QStringLiteral("Zydeco")), nullptr);
    TTreeNode *classical = child(state->Root(), QStringLiteral("Classical"));
    ASSERT_NE(classical, nullptr);
    state->SelectNode(classical);
    EXPECT_EQ(state->ListContent, TBrowseState::lcItems);
    EXPECT_GT(state->RowCount(), 3);

    views.TrackFilter.Add(std::make_unique<TStringFilterField>(fdGenre, QStringLiteral("jazz")));
    startAfresh();
    EXPECT_EQ(captions(state->Root()), QStringList{QStringLiteral("Jazz")});
    EXPECT_EQ(state->CountText(), QStringLiteral("1 group"));
}

TEST_F(Browse, FolderOrderAndHeaderClicksOnGroups)
{
    state->GroupSortOrder = -1;
    startAfresh();
    const QStringList tree = captions(state->Root());
    ASSERT_GT(tree.size(), 3);
    EXPECT_EQ(tree.first(), QStringLiteral("Tomasz Wren")); // sort name "Wren, Tomasz" is last
    EXPECT_EQ(column(0), tree);
    state->ClickColumn(0);
    EXPECT_EQ(state->GroupSortOrder, 1);
    QStringList reversed = tree;
    std::reverse(reversed.begin(), reversed.end());
    EXPECT_EQ(column(0), reversed);
    EXPECT_EQ(captions(state->Root()), tree); // the tree waits for the next rebuild
}

TEST_F(Browse, HeaderClicksReplaceTheSortOrder)
{
    state->SetGroupField(fdNone);
    startAfresh();
    state->ClickColumn(2); // Year
    state->ClickColumn(2);
    ASSERT_EQ(views.AlbumSortFields.Count(), 1);
    EXPECT_EQ(views.AlbumSortFields.Items(0)->Order, -1);
    state->ClickColumn(1); // Title replaces it, ascending
    ASSERT_EQ(views.AlbumSortFields.Count(), 1);
    EXPECT_EQ(views.AlbumSortFields.Items(0)->FieldId, fdTitle);
    EXPECT_EQ(views.AlbumSortFields.Items(0)->Order, 1);
    EXPECT_EQ(column(1).first(), QStringLiteral("After Midnight Calls"));
}

TEST_F(Browse, TypeAheadUsesTheDisplayTextOfTheFirstSortField)
{
    state->SetGroupField(fdNone);
    views.AlbumSortFields.Add(std::make_unique<TSortField>(fdArtist, 1));
    startAfresh();
    // Sorted by sort names, found by display names: "Brightwater Sisters, The" sorts
    // early and displays as "The Brightwater Sisters".
    const int row = state->FindRow(QStringLiteral("tHe b"));
    ASSERT_GE(row, 0);
    EXPECT_EQ(state->CurrentItems[row]->GetFieldAsString(fdArtist),
              QStringLiteral("The Brightwater Sisters"));
    EXPECT_EQ(state->FindRow(QStringLiteral("zzz")), -1);
}

TEST_F(Browse, TrackNodeShowsItsLyricsAndAlbumNodeItsDetails)
{
    startAfresh();
    TTreeNode *folder = child(state->Root(), QStringLiteral("Mara Kestrel"));
    TTreeNode *album = child(folder, QStringLiteral("Lamps Along the Quay - Mara Kestrel (1998)"));
    ASSERT_NE(album, nullptr);
    state->SelectNode(album);
    EXPECT_EQ(state->ListContent, TBrowseState::lcItems);
    EXPECT_FALSE(state->CoverPath().isEmpty());
    EXPECT_TRUE(state->CommentsText().isEmpty() || !state->CommentsText().isEmpty());
    state->FillNode(album);
    TTreeNode *disc = &album->children[0];
    TTreeNode *withLyrics = nullptr;
    state->FillNode(disc);
    std::function<void(TTreeNode *)> find = [&](TTreeNode *n) {
        for (TTreeNode &c : n->children) {
            state->FillNode(&c);
            const auto *t = static_cast<const TCustomTrack *>(c.Item());
            if (!withLyrics && t && t->Kind() == TItemKind::Track && !t->LyricsFile.isEmpty())
                withLyrics = &c;
            find(&c);
        }
    };
    find(disc);
    ASSERT_NE(withLyrics, nullptr);
    state->SelectNode(withLyrics);
    EXPECT_TRUE(state->ShowingLyrics());
    EXPECT_FALSE(state->LyricsText().isEmpty());
    EXPECT_EQ(state->CurrentAlbum(), album->object);
    state->SelectNode(disc);
    EXPECT_FALSE(state->ShowingLyrics());
}

TEST_F(Browse, RestoreFindsAnEditedAlbumInItsNewFolder)
{
    startAfresh();
    TAlbum *album = db.Album(0);
    album->Artist = db.LookupList(fdArtist).GetOrAdd(QStringLiteral("Dust Radio"));
    TState s;
    s.Remember(*state);
    state->RebuildTree();
    s.Restore(*state, album);
    ASSERT_NE(state->SelectedNode(), nullptr);
    EXPECT_EQ(state->NodeCaption(state->SelectedNode()), QStringLiteral("Dust Radio"));
    EXPECT_EQ(state->RowObject(state->SelectedRow()), album);
    EXPECT_EQ(state->CurrentAlbum(), album);
}

TEST_F(Browse, DoubleClickFollowsIntoTheTreeAndEmptyListsCount)
{
    startAfresh();
    const int row = state->FindRow(QStringLiteral("Juniper"));
    ASSERT_GE(row, 0);
    state->ActivateRow(row);
    EXPECT_EQ(state->NodeCaption(state->SelectedNode()), QStringLiteral("Juniper Vance"));
    EXPECT_EQ(state->CountText(), QStringLiteral("2 albums"));

    views.AlbumFilter.Add(
        std::make_unique<TStringFilterField>(fdTitle, QStringLiteral("no such title")));
    startAfresh();
    EXPECT_EQ(state->CountText(), QStringLiteral("0 groups"));
    EXPECT_EQ(state->CurrentAlbum(), nullptr);
    EXPECT_EQ(state->SelectedRow(), -1);
}

TEST_F(Browse, TrackViewWithoutFoldersListsEveryDiscItemSorted)
{
    state->TreeType = 1;
    state->SetGroupField(fdNone);
    views.TrackSortFields.Add(std::make_unique<TSortField>(fdTitle, 1));
    startAfresh();
    qsizetype expected = 0;
    for (qsizetype a = 0; a < db.AlbumCount(); ++a)
        for (const TDataItem *disc : db.Album(a)->Children)
            expected += disc->Count();
    EXPECT_EQ(qsizetype(state->Root()->children.size()), expected);
    EXPECT_EQ(state->RowCount(), expected);
    // Their own children wait until they are opened.
    for (const TTreeNode &n : state->Root()->children)
        EXPECT_FALSE(n.filled);
    const QStringList titles = column(1);
    EXPECT_TRUE(
        std::is_sorted(titles.begin(), titles.end(), [](const QString &a, const QString &b) {
            return a.compare(b, Qt::CaseInsensitive) < 0 && a.toUpper() != b.toUpper();
        }));
}

namespace {

// Asks both models for everything they show, as painting does.
void readEverything(QAbstractItemModel *model, const QModelIndex &parent = {})
{
    for (int r = 0; r < model->rowCount(parent); ++r)
        for (int c = 0; c < model->columnCount(parent); ++c) {
            const QModelIndex index = model->index(r, c, parent);
            for (int role : {int(Qt::DisplayRole), int(Qt::ToolTipRole), int(Qt::UserRole + 1)})
                model->data(index, role);
            if (c == 0)
                readEverything(model, index);
        }
}

} // namespace

// Lookup entries the collection removes may be folders of the tree, rows of the list
// of groups and the selected node: the browse state lets go of them before they are
// freed, builds the tree again and finds the place it was at by identifiers.
TEST_F(Browse, RemovedLookupEntriesLeaveTheTreeAndTheListBeforeTheyAreFreed)
{
    const struct
    {
        const char *what;
        int treeType;
        TFieldId group;
        const char *removed;  // sort name of the entry removed along with an unused one
        const char *selected; // caption of the folder selected, nullptr: the root
        bool lastRow;         // the folder's last row selected
        const char *after;    // caption of the folder selected afterwards, nullptr: the root
    } cases[] = {
        {"unused genre folder selected", 1, fdGenre, nullptr, "Zydeco", false, nullptr},
        {"root listing the genres", 1, fdGenre, nullptr, nullptr, false, nullptr},
        {"another genre and its last row", 1, fdGenre, nullptr, "Jazz", true, "Jazz"},
        {"an artist in use, its folder selected", 0, fdArtist, "Kestrel, Mara", "Mara Kestrel",
         true, nullptr},
        {"an artist in use, another folder selected", 0, fdArtist, "Kestrel, Mara", "Juniper Vance",
         true, "Juniper Vance"},
    };
    for (const auto &c : cases) {
        SCOPED_TRACE(c.what);
        treeTester.reset();
        listTester.reset();
        state.reset();
        SetUp();
        TLookupList &list = db.LookupList(c.group);
        TLookupItemSet doomed = {list.GetOrAdd(QStringLiteral("Zydeco"))};
        if (c.removed)
            doomed.insert(list.Items(list.IndexOf(QString::fromUtf8(c.removed))));
        state->TreeType = c.treeType;
        state->SetGroupField(c.group);
        startAfresh();
        QTreeView tree;
        tree.setModel(state->TreeModel());
        QTableView table;
        table.setModel(state->ListModel());
        tree.show();
        table.show();
        if (c.selected) {
            TTreeNode *folder = child(state->Root(), QString::fromUtf8(c.selected));
            ASSERT_NE(folder, nullptr);
            state->SelectNode(folder);
            tree.setCurrentIndex(state->TreeModel()->IndexOf(folder));
            if (c.lastRow)
                state->SelectRow(state->RowCount() - 1);
        }
        const TQel *row = state->RowObject(state->SelectedRow());
        const qint32 rowId = row ? row->ID : -1;
        tree.expandAll();
        ASSERT_FALSE(tree.grab().isNull());

        db.RemoveLookupItems(c.group, doomed);
        readEverything(state->TreeModel());
        readEverything(state->ListModel());
        ASSERT_FALSE(tree.grab().isNull());
        ASSERT_FALSE(table.grab().isNull());
        EXPECT_EQ(child(state->Root(), QStringLiteral("Zydeco")), nullptr);
        for (const TLookupItem *group : state->CurrentGroups)
            EXPECT_NE(list.IndexOfItem(group), -1);
        ASSERT_NE(state->SelectedNode(), nullptr);
        if (c.after) {
            EXPECT_EQ(state->NodeCaption(state->SelectedNode()), QString::fromUtf8(c.after));
            EXPECT_EQ(state->RowObject(state->SelectedRow())->ID, rowId);
        } else {
            EXPECT_EQ(state->SelectedNode(), state->Root());
            EXPECT_EQ(state->RowCount(), qsizetype(state->Root()->children.size()));
        }
    }
}

// A removal that touches nothing shown keeps the tree as it is.
TEST_F(Browse, RemovingEntriesThatNoFolderShowsKeepsTheTree)
{
    startAfresh(); // albums by artist
    TTreeNode *folder = child(state->Root(), QStringLiteral("Mara Kestrel"));
    state->SelectNode(folder);
    QSignalSpy rebuilt(state.get(), &TBrowseState::treeRebuilt);
    db.RemoveLookupItems(fdGenre, {db.LookupList(fdGenre).GetOrAdd(QStringLiteral("Zydeco"))});
    EXPECT_EQ(rebuilt.count(), 0);
    EXPECT_EQ(state->SelectedNode(), folder);
}

// The tree's folders and the list of groups come in one order, the lookup list's own:
// "Åberg" sorts among the a's, before "Albescu", in every view, filtered or not, both
// ways.
TEST_F(Browse, FoldersAndGroupRowsFollowTheLookupListsOrder)
{
    TLookupList &artists = db.LookupList(fdArtist);
    TLookupItem *aberg =
        artists.FindOrCreate(QStringLiteral("Åberg, Ada"), QStringLiteral("Ada Åberg"));
    TLookupItem *albescu =
        artists.FindOrCreate(QStringLiteral("Albescu, Ada"), QStringLiteral("Ada Albescu"));
    ASSERT_LT(artists.IndexOfItem(aberg), artists.IndexOfItem(albescu));
    for (auto [album, entry] : {std::pair{db.Album(0), aberg}, std::pair{db.Album(1), albescu}}) {
        album->Artist = entry;
        for (TDataItem *disc : album->Children)
            for (TDataItem *track : disc->Children)
                track->Artist = entry;
    }
    for (int treeType : {0, 1})
        for (bool filtered : {false, true})
            for (int order : {1, -1}) {
                SCOPED_TRACE(testing::Message() << "view " << treeType << ", filter " << filtered
                                                << ", order " << order);
                TFilterFields &filter = treeType == 0 ? views.AlbumFilter : views.TrackFilter;
                filter.Clear();
                if (filtered)
                    filter.Add(std::make_unique<TStringFilterField>(fdArtist, QStringLiteral("a")));
                filter.Enabled = filtered;
                state->TreeType = treeType;
                state->SetGroupField(fdArtist);
                state->GroupSortOrder = order;
                startAfresh();
                std::vector<const TLookupItem *> tree;
                for (const TTreeNode &folder : state->Root()->children)
                    tree.push_back(folder.Entry());
                std::vector<const TLookupItem *> expected;
                for (qsizetype i = 0; i < artists.Count(); ++i) {
                    const TLookupItem *e = artists.Items(order == 1 ? i : artists.Count() - 1 - i);
                    if (std::find(tree.begin(), tree.end(), e) != tree.end())
                        expected.push_back(e);
                }
                EXPECT_EQ(tree, expected);
                ASSERT_EQ(state->ListContent, TBrowseState::lcGroups);
                const std::vector<const TLookupItem *> rows(state->CurrentGroups.begin(),
                                                            state->CurrentGroups.end());
                EXPECT_EQ(rows, tree);
                const auto at = [&tree](const TLookupItem *e) {
                    return std::find(tree.begin(), tree.end(), e) - tree.begin();
                };
                EXPECT_EQ(at(aberg) < at(albescu), order == 1);
                // A click on the header turns the list, and the list alone, around.
                state->ClickColumn(0);
                EXPECT_EQ(std::vector<const TLookupItem *>(state->CurrentGroups.begin(),
                                                           state->CurrentGroups.end()),
                          std::vector<const TLookupItem *>(tree.rbegin(), tree.rend()));
            }
}

// An album's node in the album view: under the root without folders, in its entry's
// folder with them; none where the filter leaves it out, and none in the track view.
TEST_F(Browse, AnAlbumsNodeIsFoundInEveryGrouping)
{
    TAlbum *album = db.Album(db.AlbumCount() / 2);
    const struct
    {
        const char *what;
        int treeType;
        TFieldId group;
        bool hidden;
    } cases[] = {
        {"no folders", 0, fdNone, false},         {"by artist", 0, fdArtist, false},
        {"by genre", 0, fdGenre, false},          {"no folders, hidden", 0, fdNone, true},
        {"by artist, hidden", 0, fdArtist, true}, {"track view", 1, fdNone, false},
    };
    for (const auto &c : cases) {
        SCOPED_TRACE(c.what);
        views.AlbumFilter.Clear();
        if (c.hidden)
            views.AlbumFilter.Add(
                std::make_unique<TStringFilterField>(fdTitle, QStringLiteral("no such title")));
        views.AlbumFilter.Enabled = c.hidden;
        state->TreeType = c.treeType;
        state->SetGroupField(c.group);
        startAfresh();
        const TTreeNode *node = state->NodeOfAlbum(album);
        if (c.hidden || c.treeType == 1) {
            EXPECT_EQ(node, nullptr);
            continue;
        }
        ASSERT_NE(node, nullptr);
        EXPECT_EQ(node->object, album);
        if (c.group == fdNone)
            EXPECT_EQ(node->parent, state->Root());
        else
            EXPECT_EQ(node->parent->Entry(), album->getLookupItem(c.group));
    }
}

namespace {

// The rows of a browse state's list as the ids of their items.
std::vector<qint32> rowIds(const TBrowseState &state)
{
    std::vector<qint32> ids;
    for (const TDataItem *item : state.CurrentItems)
        ids.push_back(item->ID);
    return ids;
}

} // namespace

// A view's whole list is kept between rebuilds while the collection stays as it was;
// after each kind of change it must equal what a browse state made afresh shows.
TEST_F(Browse, KeptWholeListsEqualFreshOnesAfterEveryChange)
{
    std::vector<TAlbum *> gone;
    for (const int treeType : {0, 1}) {
        SCOPED_TRACE(treeType == 0 ? "album view" : "track view");
        state->TreeType = treeType;
        state->SetGroupField(fdNone);
        TSortFields &sort = views.SortFields(treeType == 0 ? ilAlbum : ilTrack);
        sort.Clear();
        sort.Add(std::make_unique<TSortField>(fdArtist, 1));
        const std::vector<std::pair<const char *, std::function<void()>>> changes = {
            {"nothing", [] {}},
            {"a title edited",
             [&] {
                 TDataItem *item = db.Album(3)->Items(0)->Items(0);
                 item->Title = QStringLiteral("!!! first of all");
                 db.Album(3)->Title = QStringLiteral("!!! first album");
                 db.MarkChanged(item);
             }},
            {"an artist renamed",
             [&] {
                 TLookupList &artists = db.LookupList(fdArtist);
                 artists.Edit(artists.Items(artists.Count() - 1), QStringLiteral("AAA first"), {});
             }},
            {"an album added", [&] { db.AddAlbum(db.Album(0)->Copy(false)); }},
            {"an album removed",
             [&] {
                 // Freed at the end: the views still point at it until they rebuild.
                 gone.push_back(db.Album(1));
                 db.RemoveAlbum(gone.back());
             }},
            {"the order turned round", [&] { sort.Items(0)->Order = -1; }},
        };
        for (const auto &[what, change] : changes) {
            SCOPED_TRACE(what);
            startAfresh(); // keeps the list as it is now
            change();
            startAfresh();
            TBrowseState fresh(db, fields, views, &prefs);
            fresh.TreeType = treeType;
            fresh.SetGroupField(fdNone);
            fresh.RebuildTree();
            fresh.SelectNode(fresh.Root());
            EXPECT_EQ(rowIds(*state), rowIds(fresh));
        }
        // A click on a column sorts the kept list too; coming back finds that order.
        state->ClickColumn(1);
        const std::vector<qint32> byTitle = rowIds(*state);
        startAfresh();
        EXPECT_EQ(rowIds(*state), byTitle);
    }
    treeTester.reset();
    listTester.reset();
    state.reset();
    for (TAlbum *album : gone)
        delete album;
}

// Typing in a list sorted by a text column finds the first row that begins with the
// text, in either direction, as a walk from the top finds it.
TEST_F(Browse, TypeAheadInASortedTextColumnFindsTheFirstMatch)
{
    state->TreeType = 1;
    state->SetGroupField(fdNone);
    for (const int order : {1, -1}) {
        views.TrackSortFields.Clear();
        views.TrackSortFields.Add(std::make_unique<TSortField>(fdTitle, order));
        startAfresh();
        ASSERT_GT(state->RowCount(), 50);
        for (int row = 0; row < state->RowCount(); row += 7) {
            const QString title = state->CurrentItems[row]->GetFieldAsString(fdTitle);
            for (const int n : {1, 2, 4}) {
                const QString typed = title.left(n).toLower();
                int expected = -1;
                for (int r = 0; r < state->RowCount() && expected < 0; ++r)
                    if (state->CurrentItems[r]->GetFieldAsString(fdTitle).startsWith(
                            typed, Qt::CaseInsensitive))
                        expected = r;
                EXPECT_EQ(state->FindRow(typed), expected)
                    << "typed \"" << typed.toStdString() << "\", order " << order;
            }
        }
        EXPECT_EQ(state->FindRow(QStringLiteral("\u00ff\u00ff no such title")), -1);
    }
}

// A view without folders gives the tree its rows a chunk at a time while the list has
// every row at once; a view scrolled to the end, a search for a row not made yet and a
// checker asking everything all see one consistent tree (the model tester watches).
TEST(BrowseLargeFlatRoot, TheTreeMakesRowsAsTheyAreShownAndTheListHasThemAll)
{
    TTestHome home;
    TQelDb db;
    GenerateCollection(db, 600, 7);
    TQelFields fields;
    TViewDefinitions views;
    views.TrackShowFields.AddDefaults();
    TBrowseState state(db, fields, views);
    QAbstractItemModelTester tester(state.TreeModel(),
                                    QAbstractItemModelTester::FailureReportingMode::Fatal);
    state.TreeType = 1;
    state.SetGroupField(fdNone);
    state.RebuildTree();
    state.SelectNode(state.Root());
    QList<TDataItem *> all;
    for (qsizetype a = 0; a < db.AlbumCount(); ++a)
        for (TDataItem *disc : db.Album(a)->Children)
            for (TDataItem *item : disc->Children)
                all.append(item);
    ASSERT_GT(all.size(), 5000);
    EXPECT_EQ(state.RowCount(), all.size());
    TFolderTreeModel *model = state.TreeModel();
    const QModelIndex root = model->index(0, 0);
    const int first = model->rowCount(root);
    EXPECT_LT(first, all.size());

    QTreeView view;
    view.setModel(model);
    view.setUniformRowHeights(true);
    view.resize(300, 200);
    view.expand(root);
    view.show();
    view.scrollToBottom();
    QCoreApplication::processEvents();
    EXPECT_GT(model->rowCount(root), first);

    // The last row of the list, asked for by object, is made with every row before it.
    TDataItem *last = state.CurrentItems[state.RowCount() - 1];
    TTreeNode *node = state.ChildWithObject(state.Root(), last);
    ASSERT_NE(node, nullptr);
    EXPECT_EQ(node->object, last);
    EXPECT_EQ(model->rowCount(root), all.size());
    view.scrollTo(model->IndexOf(node));
    QCoreApplication::processEvents();
    for (int r = 0; r < model->rowCount(root); r += 97)
        EXPECT_EQ(TFolderTreeModel::NodeOf(model->index(r, 0, root))->object,
                  state.CurrentItems[r]);
}
