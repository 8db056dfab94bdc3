// What the main window does with a big collection: sorting, filtering and grouping
// its lists side by side with SQLite answering the same question from the
// normalised copy of the same collection (sqlitepeer.h), building the tree's root,
// and the widgets over our models: expanding and collapsing the whole folder tree and
// painting one frame of the million-row list; and removing many lookup entries at once.
//
// The peer gets every advantage we have: its file is memory-mapped, its page cache
// and sorter hold everything in memory, and it runs each query once before timing,
// so both sides work from memory. Each pair is checked once to give the same answer.

#include "benchdata.h"
#include "benchreport.h"
#include "sqlitepeer.h"

#include "model/album.h"
#include "model/itemsort.h"
#include "model/qeldb.h"
#include "model/tracks.h"
#include "views/browsestate.h"
#include "views/filter.h"

#include <QApplication>
#include <QHeaderView>
#include <QIdentityProxyModel>
#include <QImage>
#include <QTableView>
#include <QTreeView>

#include <benchmark/benchmark.h>

#include <cstdio>
#include <map>
#include <memory>
#include <set>
#include <string>
#include <vector>

using namespace bench;

namespace {

const std::string kTrackKind = std::to_string(int(TItemKind::Track));

// Present in about one title in twenty of the generated collections.
const char16_t kFilterWord[] = u"night";

// A loaded collection with what the benchmarks derive from it once.
struct TLoaded
{
    TQelDb db;
    TQelFields fields;
    QList<TDataItem *> tracks;        // every track, in tree order
    std::vector<TDataItem *> bySqlId; // the peer's row numbers of items, in tree order
    std::unique_ptr<TSqlDb> peer;     // opened on first use
    std::set<std::string> checked;    // the pairs found to agree
};

void numberItems(TDataItem *item, std::vector<TDataItem *> &bySqlId)
{
    bySqlId.push_back(item);
    for (TDataItem *child : item->Children)
        numberItems(child, bySqlId);
}

// One collection at a time stays loaded: the benchmarks run size after size.
TLoaded &loaded(int albums)
{
    static int current = 0;
    static std::unique_ptr<TLoaded> data;
    if (current != albums) {
        data.reset();
        auto l = std::make_unique<TLoaded>();
        l->db.ReadFile(Collection(albums).qelPath, false);
        l->bySqlId.push_back(nullptr); // row numbers start at 1
        for (qsizetype a = 0; a < l->db.AlbumCount(); ++a)
            for (TDataItem *disc : l->db.Album(a)->Children) {
                const auto *d = static_cast<const TDisc *>(disc);
                for (qsizetype t = 0; t < d->TrackCount(); ++t)
                    l->tracks.append(d->Track(t));
                for (TDataItem *item : disc->Children)
                    numberItems(item, l->bySqlId);
            }
        data = std::move(l);
        current = albums;
    }
    return *data;
}

TSqlDb &peer(int albums)
{
    TLoaded &l = loaded(albums);
    if (!l.peer) {
        l.peer = std::make_unique<TSqlDb>(PeerCollection(albums).sqlitePath,
                                          SQLITE_OPEN_READONLY | SQLITE_OPEN_NOMUTEX);
        l.peer->Exec("PRAGMA mmap_size=17179869184; PRAGMA cache_size=-4194304;"
                     "PRAGMA temp_store=MEMORY");
    }
    return *l.peer;
}

// The row numbers a query gives in its first column.
void selectIds(TSqlDb &sql, const std::string &query, std::vector<qint64> &ids)
{
    ids.clear();
    TStatement s(sql, query);
    while (s.Next())
        ids.push_back(s.GetInt());
}

// Texts as SQLite's NOCASE sees them: letters A to Z folded. NOCASE folds to lower
// case and our order to upper case; the two orders differ only where one of
// [ \ ] ^ _ ` meets a letter, which the generated collections never have, so both sides
// sort the same keys with one folding comparison each and the checks stay exact.
QString folded(QStringView s)
{
    QString r = s.toString();
    for (QChar &c : r)
        if (c >= u'A' && c <= u'Z')
            c = QChar(c.unicode() + 32);
    return r;
}

QString artistSortName(const TDataItem *item)
{
    const TLookupItem *e = item->getLookupItem(fdArtist);
    return e ? e->SortName : QString();
}

// Both sides must list the same number of rows with the same key in every place
// (rows with equal keys may come in either order).
template <class Key>
void checkSameOrder(const char *what, const QList<TDataItem *> &ours,
                    const std::vector<qint64> &ids, const TLoaded &l, Key key)
{
    if (std::size_t(ours.size()) != ids.size())
        Fail(std::string(what) + ": " + std::to_string(ours.size()) + " rows here, " +
             std::to_string(ids.size()) + " from SQLite");
    for (std::size_t i = 0; i < ids.size(); ++i) {
        const QString a = folded(key(ours[qsizetype(i)]));
        const QString b = folded(key(l.bySqlId.at(std::size_t(ids[i]))));
        if (a != b)
            Fail(std::string(what) + ": row " + std::to_string(i) + " is \"" + Utf8(a) +
                 "\" here, \"" + Utf8(b) + "\" from SQLite");
    }
}

// Whether a pair still needs its check at this size; marks it done.
bool firstTime(TLoaded &l, const std::string &pair)
{
    return l.checked.insert(pair).second;
}

// ---------------------------------------------------------------------------
// Sorting all tracks.

const std::string kSortTitleSql =
    "SELECT id FROM items WHERE kind=" + kTrackKind + " ORDER BY title COLLATE NOCASE";

// A track without an artist sorts by its header's, then its disc's, then its album's.
std::string sortArtistSql()
{
    const std::string list = std::to_string(LookupListOf(fdArtist));
    auto join = [&list](const char *alias, const char *column) {
        return std::string(" LEFT JOIN lookups ") + alias + " ON " + alias + ".list=" + list +
               " AND " + alias + ".id=" + column;
    };
    return "SELECT t.id FROM items t JOIN discs d ON d.id=t.disc_id JOIN albums a ON "
           "a.id=d.album_id"
           " LEFT JOIN items h ON h.id=t.parent_id" +
           join("lt", "t.artist") + join("lh", "h.artist") + join("ld", "d.artist") +
           join("la", "a.artist") + " WHERE t.kind=" + kTrackKind +
           " ORDER BY COALESCE(lt.sort_name, lh.sort_name, ld.sort_name, la.sort_name)"
           " COLLATE NOCASE";
}

void sortTracks(benchmark::State &state, TFieldId field)
{
    Guarded(state, [&] {
        const int albums = int(state.range(0));
        TLoaded &l = loaded(albums);
        const TSortSpec byField[] = {{field, 1}};
        TTimed timed(state);
        for (auto _ : state) {
            QList<TDataItem *> items = l.tracks;
            items.detach(); // as the browse state's own list is
            timed([&] { SortItems(items, ilTrack, byField); });
        }
        timed.Report(Collection(albums));
    });
}

void sqliteSortTracks(benchmark::State &state, TFieldId field, const std::string &query)
{
    Guarded(state, [&] {
        const int albums = int(state.range(0));
        TLoaded &l = loaded(albums);
        TSqlDb &sql = peer(albums);
        std::vector<qint64> ids;
        ids.reserve(std::size_t(l.tracks.size()));
        selectIds(sql, query, ids); // the peer's warm-up
        if (firstTime(l, query)) {
            QList<TDataItem *> ours = l.tracks;
            const TSortSpec byField[] = {{field, 1}};
            SortItems(ours, ilTrack, byField);
            if (field == fdTitle)
                checkSameOrder("sort by title", ours, ids, l,
                               [](const TDataItem *i) { return i->Title.toString(); });
            else
                checkSameOrder("sort by artist", ours, ids, l, artistSortName);
        }
        TTimed timed(state);
        for (auto _ : state)
            timed([&] { selectIds(sql, query, ids); });
        timed.Report(Collection(albums));
    });
}

void BM_SortTitle(benchmark::State &state)
{
    sortTracks(state, fdTitle);
}

void BM_SqliteSortTitle(benchmark::State &state)
{
    sqliteSortTracks(state, fdTitle, kSortTitleSql);
}

void BM_SortArtist(benchmark::State &state)
{
    sortTracks(state, fdArtist);
}

void BM_SqliteSortArtist(benchmark::State &state)
{
    sqliteSortTracks(state, fdArtist, sortArtistSql());
}

// ---------------------------------------------------------------------------
// Filtering all tracks on a word in the title, letters A to Z in either case.

// The walk of the browse state: items and their titles fetched a few steps ahead.
std::vector<TDataItem *> filterTracks(const TLoaded &l, const TFilterFields &filter)
{
    constexpr qsizetype ahead = 16;
    std::vector<TDataItem *> hits;
    const qsizetype n = l.tracks.size();
    for (qsizetype i = 0; i < n; ++i) {
        if (i + 2 * ahead < n)
            PrefetchForRead(l.tracks[i + 2 * ahead]);
        if (i + ahead < n)
            l.tracks[i + ahead]->Title.Prefetch();
        if (filter.Matches(l.tracks[i]))
            hits.push_back(l.tracks[i]);
    }
    return hits;
}

std::string filterSql()
{
    return "SELECT id FROM items WHERE kind=" + kTrackKind + " AND title LIKE '%" +
           Utf8(QString::fromUtf16(kFilterWord)) + "%'";
}

void BM_Filter(benchmark::State &state)
{
    Guarded(state, [&] {
        const int albums = int(state.range(0));
        TLoaded &l = loaded(albums);
        TFilterFields filter(ilTrack);
        filter.Add(std::make_unique<TStringFilterField>(fdTitle, QString::fromUtf16(kFilterWord)));
        std::vector<TDataItem *> hits;
        TTimed timed(state);
        for (auto _ : state)
            timed([&] { hits = filterTracks(l, filter); });
        state.counters["hits"] = double(hits.size());
        timed.Report(Collection(albums));
    });
}

void BM_SqliteFilter(benchmark::State &state)
{
    Guarded(state, [&] {
        const int albums = int(state.range(0));
        TLoaded &l = loaded(albums);
        TSqlDb &sql = peer(albums);
        const std::string query = filterSql();
        std::vector<qint64> ids;
        selectIds(sql, query, ids);
        if (firstTime(l, query)) {
            TFilterFields filter(ilTrack);
            filter.Add(
                std::make_unique<TStringFilterField>(fdTitle, QString::fromUtf16(kFilterWord)));
            const std::vector<TDataItem *> ours = filterTracks(l, filter);
            std::set<const TDataItem *> theirs;
            for (const qint64 id : ids)
                theirs.insert(l.bySqlId.at(std::size_t(id)));
            if (theirs != std::set<const TDataItem *>(ours.begin(), ours.end()))
                Fail("filter: " + std::to_string(ours.size()) + " tracks here, " +
                     std::to_string(theirs.size()) + " from SQLite, or not the same ones");
        }
        TTimed timed(state);
        for (auto _ : state)
            timed([&] { selectIds(sql, query, ids); });
        state.counters["hits"] = double(ids.size());
        timed.Report(Collection(albums));
    });
}

// ---------------------------------------------------------------------------
// The tree's root: the folders of a grouped view, or the items of an ungrouped one.

std::unique_ptr<TBrowseState> browse(TLoaded &l, TViewDefinitions &views, int treeType,
                                     TFieldId group)
{
    auto state = std::make_unique<TBrowseState>(l.db, l.fields, views);
    state->TreeType = treeType;
    state->SetGroupField(group);
    return state;
}

void rebuildRoot(benchmark::State &state, int treeType, TFieldId group)
{
    Guarded(state, [&] {
        const int albums = int(state.range(0));
        TLoaded &l = loaded(albums);
        TViewDefinitions views;
        const auto browser = browse(l, views, treeType, group);
        TTimed timed(state);
        for (auto _ : state)
            timed([&] { browser->RebuildTree(); });
        state.counters["nodes"] = double(browser->Root()->children.size());
        timed.Report(Collection(albums));
    });
}

// Albums grouped by genre: one row per genre an album uses, in the genres' order.
std::string groupSql()
{
    return "SELECT a.genre, COUNT(*) FROM albums a JOIN lookups l ON l.list=" +
           std::to_string(LookupListOf(fdGenre)) +
           " AND l.id=a.genre GROUP BY a.genre ORDER BY l.sort_name COLLATE NOCASE";
}

void BM_GroupGenre(benchmark::State &state)
{
    rebuildRoot(state, 0, fdGenre);
}

void BM_SqliteGroupGenre(benchmark::State &state)
{
    Guarded(state, [&] {
        const int albums = int(state.range(0));
        TLoaded &l = loaded(albums);
        TSqlDb &sql = peer(albums);
        const std::string query = groupSql();
        std::vector<qint64> ids;
        selectIds(sql, query, ids);
        if (firstTime(l, query)) {
            TViewDefinitions views;
            const auto browser = browse(l, views, 0, fdGenre);
            browser->RebuildTree();
            const std::vector<TTreeNode> &folders = browser->Root()->children;
            bool same = folders.size() == ids.size();
            for (std::size_t i = 0; same && i < ids.size(); ++i)
                same = folders[i].Entry()->ID == ids[i];
            if (!same)
                Fail("group by genre: " + std::to_string(folders.size()) + " folders here, " +
                     std::to_string(ids.size()) + " from SQLite, or in another order");
        }
        TTimed timed(state);
        for (auto _ : state)
            timed([&] { selectIds(sql, query, ids); });
        state.counters["nodes"] = double(ids.size());
        timed.Report(Collection(albums));
    });
}

void BM_TreeAlbumsByArtist(benchmark::State &state)
{
    rebuildRoot(state, 0, fdArtist);
}

void BM_TreeTracks(benchmark::State &state)
{
    rebuildRoot(state, 1, fdNone);
}

// ---------------------------------------------------------------------------
// The widgets.

qint64 countNodes(const TTreeNode &node)
{
    qint64 n = 1;
    for (const TTreeNode &child : node.children)
        n += countNodes(child);
    return n;
}

// The album view without folders in a tree view as the main window sets it up; each
// round starts from a freshly built tree, so expanding also fills every node.
void expandCollapse(benchmark::State &state, bool timeCollapse)
{
    Guarded(state, [&] {
        const int albums = int(state.range(0));
        TLoaded &l = loaded(albums);
        TViewDefinitions views;
        const auto browser = browse(l, views, 0, fdNone);
        QTreeView view;
        view.setUniformRowHeights(true);
        view.setModel(browser->TreeModel());
        view.resize(400, 800);
        view.show();
        QApplication::processEvents();
        TTimed timed(state);
        for (auto _ : state) {
            browser->RebuildTree();
            if (timeCollapse) {
                view.expandAll();
                timed([&] { view.collapseAll(); });
            } else {
                timed([&] { view.expandAll(); });
            }
            QApplication::processEvents();
        }
        state.counters["nodes"] = double(countNodes(*browser->Root()));
        timed.Report(Collection(albums));
    });
}

void BM_ExpandAll(benchmark::State &state)
{
    expandCollapse(state, false);
}

void BM_CollapseAll(benchmark::State &state)
{
    expandCollapse(state, true);
}

// Counts the cells asked for, one call per role.
class TCountingProxy : public QIdentityProxyModel
{
public:
    QVariant data(const QModelIndex &index, int role) const override
    {
        ++calls;
        return QIdentityProxyModel::data(index, role);
    }
    mutable qint64 calls = 0;
};

// The track view without folders, its root selected: every track-level item of the
// collection in the list, painted into an image from the middle of the list.
void BM_ListFrame(benchmark::State &state)
{
    Guarded(state, [&] {
        const int albums = int(state.range(0));
        TLoaded &l = loaded(albums);
        TViewDefinitions views;
        views.TrackShowFields.AddDefaults();
        const auto browser = browse(l, views, 1, fdNone);
        browser->RebuildTree();
        browser->SelectNode(browser->Root());
        TCountingProxy proxy;
        proxy.setSourceModel(browser->ListModel());
        QTableView view;
        view.verticalHeader()->hide();
        view.setModel(&proxy);
        view.resize(1200, 800);
        view.show();
        view.scrollTo(proxy.index(proxy.rowCount() / 2, 0), QAbstractItemView::PositionAtTop);
        QApplication::processEvents();
        QImage image(view.size(), QImage::Format_ARGB32_Premultiplied);
        view.render(&image); // fonts and caches are loaded once in a program's life

        const int firstRow = view.rowAt(0), lastRow = view.rowAt(view.viewport()->height() - 1);
        const int firstColumn = view.columnAt(0);
        int lastColumn = view.columnAt(view.viewport()->width() - 1);
        if (lastColumn < 0)
            lastColumn = proxy.columnCount() - 1;
        const qint64 cells = qint64(lastRow - firstRow + 1) * (lastColumn - firstColumn + 1);

        qint64 calls = 0;
        TTimed timed(state);
        for (auto _ : state) {
            proxy.calls = 0;
            timed([&] { view.render(&image); });
            calls = proxy.calls;
        }
        state.counters["rows"] = double(proxy.rowCount());
        state.counters["cells"] = double(cells);
        state.counters["data_calls"] = double(calls);
        timed.Report(Collection(albums));
    });
}

// ---------------------------------------------------------------------------
// Removing lookup entries: what the lookup list editor does when Delete follows
// "Select Unused", with the track view grouped by artist behind it (a folder for every
// entry, so the browse state lets go of its tree and builds it again).

constexpr int kUnusedEntries = 500;

void BM_RemoveUnusedLookups(benchmark::State &state)
{
    Guarded(state, [&] {
        const int albums = int(state.range(0));
        TLoaded &l = loaded(albums);
        TViewDefinitions views;
        const auto browser = browse(l, views, 1, fdArtist);
        TLookupList &artists = l.db.LookupList(fdArtist);
        const qsizetype before = artists.Count();
        TTimed timed(state);
        for (auto _ : state) {
            TLookupItemSet unused;
            for (int i = 0; i < kUnusedEntries; ++i)
                unused.insert(artists.FindOrCreate(
                    QStringLiteral("zz unused %1").arg(i, 3, 10, QLatin1Char('0')), QString()));
            browser->RebuildTree();
            browser->SelectNode(browser->Root());
            timed([&] {
                if (!l.db.RemoveUnusedLookupItems(fdArtist, unused).empty())
                    Fail("remove unused entries: an entry is in use");
            });
            if (artists.Count() != before)
                Fail("remove unused entries: " + std::to_string(artists.Count() - before) +
                     " left over");
        }
        state.counters["entries"] = kUnusedEntries;
        timed.Report(Collection(albums));
    });
}

BENCHMARK(BM_SortTitle)->Apply(Sizes);
BENCHMARK(BM_SqliteSortTitle)->Apply(Sizes);
BENCHMARK(BM_SortArtist)->Apply(Sizes);
BENCHMARK(BM_SqliteSortArtist)->Apply(Sizes);
BENCHMARK(BM_Filter)->Apply(Sizes);
BENCHMARK(BM_SqliteFilter)->Apply(Sizes);
BENCHMARK(BM_GroupGenre)->Apply(Sizes);
BENCHMARK(BM_SqliteGroupGenre)->Apply(Sizes);
BENCHMARK(BM_TreeAlbumsByArtist)->Apply(Sizes);
BENCHMARK(BM_TreeTracks)->Apply(Sizes);
BENCHMARK(BM_ExpandAll)->Apply(Sizes);
BENCHMARK(BM_CollapseAll)->Apply(Sizes);
BENCHMARK(BM_ListFrame)->Apply(Sizes);
BENCHMARK(BM_RemoveUnusedLookups)->Apply(Sizes);

// ---------------------------------------------------------------------------
// The summary table after the console output.

void printSummary(const TCollectingReporter &rep)
{
    const std::set<long long> sizesSeen = SizesSeen(rep);
    if (sizesSeen.empty())
        return;

    std::printf("\nViews against SQLite: milliseconds per operation, median of the repetitions;\n"
                "wall clock and the thread's CPU time. Ratio: ours / SQLite's.\n\n");
    const char *rowFormat = "%-7s %-8s %-34s %9s %9s %9s %10s %7s %9s\n";
    std::printf(rowFormat, "albums", "tracks", "operation", "Qel", "Qel cpu", "SQLite",
                "SQLite cpu", "ratio", "cpu ratio");

    TTargets targets({"sort by Title <= 0.15 x SQLite", "sort by Artist <= 0.15 x SQLite",
                      "filter < 100 ms", "filter <= 0.5 x SQLite", "group <= 0.5 x SQLite",
                      "expand all < 1 s", "collapse all < 1 s", "list frame < 16 ms",
                      "remove 500 unused entries < 200 ms"});
    using enum TTargets::TBound;
    auto share = [](double a, double b) { return a >= 0 && b > 0 ? a / b : -1; };

    std::string calls;
    for (const long long n : sizesSeen) {
        auto find = [&rep, n](const char *name) { return rep.Find(name, n); };
        double tracks = -1;
        for (const auto &entry : rep.results)
            if (entry.first.second == n && CounterOf(&entry.second, "tracks") > 0)
                tracks = CounterOf(&entry.second, "tracks");
        const std::string nText = std::to_string(n);
        const std::string tracksText = Number(tracks, "%.0f");
        bool first = true;
        auto row = [&](const std::string &op, const TCollectingReporter::TResult *ours,
                       const TCollectingReporter::TResult *peer) {
            std::printf(rowFormat, first ? nText.c_str() : "", first ? tracksText.c_str() : "",
                        op.c_str(), MsText(WallOf(ours)).c_str(), MsText(CpuOf(ours)).c_str(),
                        MsText(WallOf(peer)).c_str(), MsText(CpuOf(peer)).c_str(),
                        Ratio(WallOf(ours), WallOf(peer)).c_str(),
                        Ratio(CpuOf(ours), CpuOf(peer)).c_str());
            first = false;
        };
        const auto *sortTitle = find("BM_SortTitle"), *peerSortTitle = find("BM_SqliteSortTitle");
        const auto *sortArtist = find("BM_SortArtist");
        const auto *peerSortArtist = find("BM_SqliteSortArtist");
        const auto *filter = find("BM_Filter"), *peerFilter = find("BM_SqliteFilter");
        const auto *group = find("BM_GroupGenre"), *peerGroup = find("BM_SqliteGroupGenre");
        const auto *expand = find("BM_ExpandAll"), *collapse = find("BM_CollapseAll");
        const auto *frame = find("BM_ListFrame");

        row("sort tracks by Title", sortTitle, peerSortTitle);
        row("sort tracks by Artist, inherited", sortArtist, peerSortArtist);
        row("filter tracks, title has \"night\"", filter, peerFilter);
        row("group albums by Genre", group, peerGroup);
        row("tree root: albums by Artist", find("BM_TreeAlbumsByArtist"), nullptr);
        row("tree root: tracks, no folders", find("BM_TreeTracks"), nullptr);
        row("tree: expand all (" + Number(CounterOf(expand, "nodes"), "%.0f") + " nodes)", expand,
            nullptr);
        row("tree: collapse all", collapse, nullptr);
        row("list: one 1200x800 frame", frame, nullptr);
        const auto *removal = find("BM_RemoveUnusedLookups");
        row("lookups: remove 500 unused artists", removal, nullptr);

        auto ms = [](double seconds) { return seconds < 0 ? -1 : seconds * 1e3; };
        targets.Verdict(0, n, share(WallOf(sortTitle), WallOf(peerSortTitle)), AtMost, 0.15,
                        "  %lld: %.3f %s");
        targets.Verdict(1, n, share(WallOf(sortArtist), WallOf(peerSortArtist)), AtMost, 0.15,
                        "  %lld: %.3f %s");
        targets.Verdict(2, n, ms(WallOf(filter)), Below, 100.0, "  %lld: %.1f ms %s");
        targets.Verdict(3, n, share(WallOf(filter), WallOf(peerFilter)), AtMost, 0.5,
                        "  %lld: %.3f %s");
        targets.Verdict(4, n, share(WallOf(group), WallOf(peerGroup)), AtMost, 0.5,
                        "  %lld: %.3f %s");
        targets.Verdict(5, n, ms(WallOf(expand)), Below, 1000.0, "  %lld: %.0f ms %s");
        targets.Verdict(6, n, ms(WallOf(collapse)), Below, 1000.0, "  %lld: %.0f ms %s");
        targets.Verdict(7, n, ms(WallOf(frame)), Below, 16.0, "  %lld: %.1f ms %s");
        targets.Verdict(8, n, ms(WallOf(removal)), Below, 200.0, "  %lld: %.1f ms %s");
        if (frame)
            calls += "  " + nText + ": " + Number(CounterOf(frame, "data_calls"), "%.0f") +
                     " calls for " + Number(CounterOf(frame, "cells"), "%.0f") + " cells of " +
                     Number(CounterOf(frame, "rows"), "%.0f") + " rows";
    }
    targets.Print(34);
    if (!calls.empty())
        std::printf("  %-34s%s\n", "list frame: data() calls", calls.c_str());
    std::fflush(stdout);
}

} // namespace

int main(int argc, char **argv)
{
    // No display needed: the widgets paint into images.
    if (qEnvironmentVariableIsEmpty("QT_QPA_PLATFORM"))
        qputenv("QT_QPA_PLATFORM", "offscreen");
    return RunBenchmarkProgram<QApplication>(argc, argv, printSummary);
}
