// Lookup lists under many new names: merging a collection whose names are all new,
// and adding albums one by one with new names as an import does. The peer is the
// linear search the lists used before (kept here): a binary search for the sort name,
// a scan lowering every display name on a miss, and an insertion that moves the
// sorted vector for each new entry. Also a cdplayer.ini import into artists that have
// no display names (as the editors and `qel build` make them), against the same import
// into artists that have them.

#include "benchdata.h"
#include "benchreport.h"

#include "exchange/mscdplayer.h"
#include "model/album.h"
#include "model/collectiongenerator.h"
#include "model/general.h"
#include "model/qeldb.h"
#include "model/qelstream.h"
#include "model/textcompare.h"

#include <QCoreApplication>
#include <QFile>
#include <QFileInfo>

#include <benchmark/benchmark.h>

#include <algorithm>
#include <cstdio>
#include <map>
#include <memory>
#include <set>
#include <stdexcept>
#include <string>
#include <vector>

using namespace bench;

namespace {

// ---------------------------------------------------------------------------
// The peer: the lists' former search and insertion.

class TLinearLookupList
{
public:
    TLookupItem *FindByName(const QString &name) const
    {
        if (name.isEmpty())
            return nullptr;
        const auto pos = lowerBound(name);
        if (pos != m_items.end() && CompareLookupNames((*pos)->SortName, name) == 0)
            return pos->get();
        const QString lowered = lowerAscii(name);
        for (const auto &e : m_items)
            if (!e->DisplayName.isEmpty() && lowerAscii(e->DisplayName) == lowered)
                return e.get();
        return nullptr;
    }
    TLookupItem *FindOrCreate(const QString &sortName, const QString &displayName)
    {
        if (sortName.isEmpty())
            return nullptr;
        const auto pos = lowerBound(sortName);
        if (pos != m_items.end() && CompareLookupNames((*pos)->SortName, sortName) == 0)
            return pos->get();
        return insert(sortName, displayName);
    }
    // What merging one entry of a file did.
    TLookupItem *Merge(const QString &sortName, const QString &displayName)
    {
        if (TLookupItem *e = FindByName(sortName))
            return e;
        return insert(sortName, displayName);
    }
    qsizetype Count() const { return qsizetype(m_items.size()); }

private:
    static QString lowerAscii(const QString &s)
    {
        QString r = s;
        for (QChar &c : r)
            if (c >= u'A' && c <= u'Z')
                c = QChar(c.unicode() + 32);
        return r;
    }
    std::vector<std::unique_ptr<TLookupItem>>::const_iterator lowerBound(const QString &n) const
    {
        return std::lower_bound(m_items.begin(), m_items.end(), n,
                                [](const std::unique_ptr<TLookupItem> &e, const QString &name) {
                                    return CompareLookupNames(e->SortName, name) < 0;
                                });
    }
    TLookupItem *insert(const QString &sortName, const QString &displayName)
    {
        auto item = std::make_unique<TLookupItem>(++m_lastId, sortName, displayName);
        TLookupItem *raw = item.get();
        const auto pos = std::upper_bound(
            m_items.begin(), m_items.end(), item,
            [](const std::unique_ptr<TLookupItem> &a, const std::unique_ptr<TLookupItem> &b) {
                return CompareLookupNames(a->SortName, b->SortName) < 0;
            });
        m_items.insert(pos, std::move(item));
        return raw;
    }

    std::vector<std::unique_ptr<TLookupItem>> m_items;
    qint32 m_lastId = 0;
};

// ---------------------------------------------------------------------------
// Data.

struct TName
{
    QString sortName, displayName;
};
using TNames = std::vector<std::vector<TName>>; // per list, in the order of the lists

TNames namesOf(TQelDb &db)
{
    TNames names(TQelDb::LookupFieldOrder.size());
    for (std::size_t i = 0; i < names.size(); ++i) {
        const TLookupList &list = db.LookupListAt(int(i));
        for (qsizetype k = 0; k < list.Count(); ++k)
            names[i].push_back({list.Items(k)->SortName, list.Items(k)->DisplayName});
    }
    return names;
}

std::size_t countOf(const TNames &names)
{
    std::size_t n = 0;
    for (const auto &list : names)
        n += list.size();
    return n;
}

// A collection of as many albums as Collection(albums) whose lookup names are all new
// to it: every name of another generated collection is renamed, and each album gets an
// artist and a label of its own.
struct TMergeSource
{
    QString path;
    TNames names;
};

const TMergeSource &mergeSource(int albums)
{
    static std::map<int, TMergeSource> cache;
    TMergeSource &s = cache[albums];
    if (!s.path.isEmpty())
        return s;
    const auto start = Clock::now();
    TQelDb db;
    GenerateCollection(db, albums, kSeed + 1);
    for (int i = 0; i < int(TQelDb::LookupFieldOrder.size()); ++i) {
        TLookupList &list = db.LookupListAt(i);
        std::vector<TLookupItem *> entries;
        for (qsizetype k = 0; k < list.Count(); ++k)
            entries.push_back(list.Items(k));
        for (TLookupItem *e : entries)
            list.Edit(e, e->SortName + QStringLiteral(" (new)"),
                      e->DisplayName.isEmpty() ? QString()
                                               : e->DisplayName + QStringLiteral(" (new)"));
    }
    TLookupList &artists = db.LookupList(fdArtist);
    TLookupList &labels = db.LookupList(fdLabel);
    for (qsizetype a = 0; a < db.AlbumCount(); ++a) {
        TAlbum *album = db.Album(a);
        album->Artist = artists.FindOrCreate(QStringLiteral("Newcomer %1, Ana").arg(a),
                                             QStringLiteral("Ana Newcomer %1").arg(a));
        album->Label = labels.FindOrCreate(QStringLiteral("Imprint %1").arg(a), QString());
    }
    s.path = WorkFile(QStringLiteral("merge-source-%1.qel").arg(albums));
    db.Save(s.path);
    s.names = namesOf(db);
    std::fprintf(stderr, "[merge source of %d albums, %zu lookup names, in %.1f s]\n", albums,
                 countOf(s.names), SecondsSince(start));
    return s;
}

// The names an import of n albums brings: a new artist each, and a label out of a few
// hundred, some already present.
std::vector<TName> importNames(int n)
{
    std::vector<TName> names;
    names.reserve(std::size_t(n) * 2);
    for (int i = 0; i < n; ++i) {
        names.push_back(
            {QStringLiteral("Importer %1, Ida").arg(i), QStringLiteral("Ida Importer %1").arg(i)});
        names.push_back({i % 3 ? QStringLiteral("Label %1").arg(i % 500)
                               : QStringLiteral("Fresh Label %1").arg(i % 500),
                         QString()});
    }
    return names;
}

// Both lists put their entries in order once all are in: reading a position does it.
void orderLists(TQelDb &db)
{
    for (int i = 0; i < int(TQelDb::LookupFieldOrder.size()); ++i)
        if (db.LookupListAt(i).Count() > 0)
            benchmark::DoNotOptimize(db.LookupListAt(i).Items(0));
}

// ---------------------------------------------------------------------------
// Benchmarks.

// The whole merge as the user starts it: lookup lists, albums and all.
void BM_MergeNewNames(benchmark::State &state)
{
    Guarded(state, [&] {
        const int albums = int(state.range(0));
        const TCollection &c = Collection(albums);
        const TMergeSource &source = mergeSource(albums);
        TQelDb db;
        TTimed timed(state);
        qsizetype added = 0;
        for (auto _ : state) {
            db.Clear();
            db.ReadFile(c.qelPath, false);
            qsizetype before = 0, after = 0;
            for (int i = 0; i < int(TQelDb::LookupFieldOrder.size()); ++i)
                before += db.LookupListAt(i).Count();
            timed([&] {
                db.ReadFile(source.path, true);
                orderLists(db);
            });
            for (int i = 0; i < int(TQelDb::LookupFieldOrder.size()); ++i)
                after += db.LookupListAt(i).Count();
            added = after - before;
        }
        timed.Report(c);
        state.counters["new_names"] = double(added);
    });
}

// The lookup part of the merge alone: each name of the other file found or added.
void mergeLookups(benchmark::State &state, bool linear)
{
    Guarded(state, [&] {
        const int albums = int(state.range(0));
        const TCollection &c = Collection(albums);
        const TMergeSource &source = mergeSource(albums);
        TQelDb target;
        target.ReadFile(c.qelPath, false);
        const TNames present = namesOf(target);
        // The lists of the other file as bytes, read the way a merge reads them.
        std::vector<QByteArray> streams;
        for (const auto &list : source.names) {
            TQelWriter w;
            w.WriteListBegin();
            qint32 number = 0;
            for (const TName &n : list) {
                w.WriteInteger(++number);
                w.WriteString(n.sortName);
                w.WriteString(n.displayName);
            }
            w.WriteListEnd();
            streams.push_back(w.Data());
        }
        TTimed timed(state);
        for (auto _ : state) {
            std::vector<std::unique_ptr<TLookupList>> ours;
            std::vector<std::unique_ptr<TLinearLookupList>> peers;
            for (std::size_t i = 0; i < present.size(); ++i) {
                ours.push_back(std::make_unique<TLookupList>(TQelDb::LookupFieldOrder[i]));
                peers.push_back(std::make_unique<TLinearLookupList>());
                for (const TName &n : present[i]) {
                    if (linear)
                        peers.back()->FindOrCreate(n.sortName, n.displayName);
                    else
                        ours.back()->FindOrCreate(n.sortName, n.displayName);
                }
                if (!linear && ours.back()->Count() > 0)
                    benchmark::DoNotOptimize(ours.back()->Items(0));
            }
            timed([&] {
                for (std::size_t i = 0; i < streams.size(); ++i) {
                    TQelReader reader(streams[i]);
                    if (!linear) {
                        TLoadIdMap map;
                        ours[i]->MergeFromStream(reader, &map);
                        if (ours[i]->Count() > 0)
                            benchmark::DoNotOptimize(ours[i]->Items(0));
                        continue;
                    }
                    reader.ReadListBegin();
                    while (!reader.EndOfList()) {
                        reader.ReadInteger();
                        const QString sortName = reader.ReadString();
                        const QString displayName = reader.ReadString();
                        peers[i]->Merge(sortName, displayName);
                    }
                    reader.ReadListEnd();
                }
            });
        }
        timed.Report(c);
        state.counters["names"] = double(countOf(source.names));
    });
}

void BM_MergeLookups(benchmark::State &state)
{
    mergeLookups(state, false);
}

void BM_MergeLookupsLinear(benchmark::State &state)
{
    mergeLookups(state, true);
}

// Albums added one by one to the 100,000-album collection, their artist and label
// found or created by name, as an import does.
void addAlbums(benchmark::State &state, bool linear)
{
    Guarded(state, [&] {
        constexpr int kBase = 100000;
        const int n = int(state.range(0));
        const TCollection &c = Collection(kBase);
        const std::vector<TName> names = importNames(n);
        TQelDb db;
        TTimed timed(state);
        for (auto _ : state) {
            db.Clear();
            db.ReadFile(c.qelPath, false);
            TLookupList &artists = db.LookupList(fdArtist);
            TLookupList &labels = db.LookupList(fdLabel);
            TLinearLookupList peerArtists, peerLabels;
            if (linear) {
                for (qsizetype k = 0; k < artists.Count(); ++k)
                    peerArtists.FindOrCreate(artists.Items(k)->SortName,
                                             artists.Items(k)->DisplayName);
                for (qsizetype k = 0; k < labels.Count(); ++k)
                    peerLabels.FindOrCreate(labels.Items(k)->SortName,
                                            labels.Items(k)->DisplayName);
            }
            orderLists(db);
            timed([&] {
                for (int i = 0; i < n; ++i) {
                    const TName &artist = names[std::size_t(2 * i)];
                    const TName &label = names[std::size_t(2 * i + 1)];
                    auto *album = new TAlbum(&db);
                    album->ID = db.NextAlbumID();
                    album->Title = TText(QStringLiteral("Imported %1").arg(i));
                    if (linear) {
                        album->Artist =
                            peerArtists.FindOrCreate(artist.sortName, artist.displayName);
                        album->Label = peerLabels.FindOrCreate(label.sortName, label.displayName);
                    } else {
                        album->Artist = artists.FindOrCreate(artist.sortName, artist.displayName);
                        album->Label = labels.FindOrCreate(label.sortName, label.displayName);
                    }
                    db.AddAlbum(album);
                }
                if (!linear)
                    orderLists(db);
            });
            if (linear) // the peer's entries are its own: no album may keep them
                for (qsizetype a = db.AlbumCount() - n; a < db.AlbumCount(); ++a) {
                    db.Album(a)->Artist = nullptr;
                    db.Album(a)->Label = nullptr;
                }
        }
        timed.Report(c);
    });
}

void BM_AddAlbums(benchmark::State &state)
{
    addAlbums(state, false);
}

void BM_AddAlbumsLinear(benchmark::State &state)
{
    addAlbums(state, true);
}

// A cdplayer.ini import of discs whose artists the collection lists already, each disc
// another of 100,000 artists. Without display names (bare) each first match fills one
// in; with them (the peer) nothing changes in the list.
class TYesToAll : public TUserInterface
{
public:
    void ShowInfo(const QString &) override {}
    TAnswer AskYesNo(const QString &) override { return TAnswer::Yes; }
    TAnswer AskOkCancel(const QString &) override { return TAnswer::Ok; }
};

QString importArtist(int i)
{
    return QStringLiteral("Artist %1").arg(i, 6, 10, QLatin1Char('0'));
}

void importCdPlayer(benchmark::State &state, bool bare)
{
    Guarded(state, [&] {
        constexpr int kArtists = 100000;
        const int discs = int(state.range(0));
        const QString ini = WorkFile(QStringLiteral("cdplayer-%1.ini").arg(discs));
        if (!QFileInfo::exists(ini)) {
            QByteArray text;
            for (int i = 0; i < discs; ++i)
                text += "[" + QByteArray::number(0x100000 + i, 16).toUpper() + "]\r\nartist=" +
                        importArtist(int((qint64(i) * 7919) % kArtists)).toLatin1() +
                        "\r\ntitle=Disc " + QByteArray::number(i) +
                        "\r\nnumtracks=2\r\n0=One\r\n1=Two\r\n";
            QFile file(ini);
            if (!file.open(QIODevice::WriteOnly) || file.write(text) != text.size())
                throw std::runtime_error("cannot write " + ini.toStdString());
        }
        TYesToAll yes;
        TUserInterface *previous = SetUserInterface(&yes);
        int imported = 0;
        for (auto _ : state) {
            TQelDb db;
            TLookupList &artists = db.LookupList(fdArtist);
            for (int i = 0; i < kArtists; ++i)
                artists.FindOrCreate(importArtist(i), bare ? QString() : importArtist(i));
            benchmark::DoNotOptimize(artists.Items(0)); // in order before the clock starts
            TImportMsCdPlayer run(nullptr, db, ini);
            run.UseWindow = false;
            const auto start = Clock::now();
            run.Run();
            state.SetIterationTime(SecondsSince(start));
            imported = run.Imported;
        }
        SetUserInterface(previous);
        state.counters["discs"] = double(imported);
    });
}

void BM_ImportCdPlayerBareArtists(benchmark::State &state)
{
    importCdPlayer(state, true);
}

void BM_ImportCdPlayerShownArtists(benchmark::State &state)
{
    importCdPlayer(state, false);
}

void importSizes(benchmark::internal::Benchmark *b)
{
    b->Arg(2000)->Arg(20000)->Iterations(1)->UseManualTime()->Unit(benchmark::kMillisecond);
}

// Each iteration reads a collection afresh (untimed): a few iterations are enough.
void mergeSizes(benchmark::internal::Benchmark *b)
{
    Sizes(b);
    b->Iterations(3);
}

// The former search grows with the square of the names: at 100,000 albums it takes
// minutes, so that size runs only when asked (QEL_BENCH_LINEAR_ALL=1), and once.
void linearMergeSizes(benchmark::internal::Benchmark *b)
{
    b->Arg(1000)->Arg(10000)->Iterations(3)->UseManualTime()->Unit(benchmark::kMillisecond);
}

void addSizes(benchmark::internal::Benchmark *b)
{
    b->Arg(1000)->Arg(10000)->Iterations(3)->UseManualTime()->Unit(benchmark::kMillisecond);
}

BENCHMARK(BM_MergeNewNames)->Apply(mergeSizes);
BENCHMARK(BM_MergeLookups)->Apply(mergeSizes);
BENCHMARK(BM_MergeLookupsLinear)->Apply(linearMergeSizes);
BENCHMARK(BM_AddAlbums)->Apply(addSizes);
BENCHMARK(BM_AddAlbumsLinear)->Apply(addSizes);
BENCHMARK(BM_ImportCdPlayerBareArtists)->Apply(importSizes);
BENCHMARK(BM_ImportCdPlayerShownArtists)->Apply(importSizes);

// ---------------------------------------------------------------------------
// The summary table after the console output.

void printSummary(const TCollectingReporter &rep)
{
    if (rep.results.empty())
        return;
    std::printf("\nLookup lists under new names against the former linear search:\n"
                "milliseconds, median of the repetitions (wall clock).\n\n");
    const char *rowFormat = "%-34s %9s %10s %10s %10s %9s\n";
    std::printf(rowFormat, "operation", "n", "names", "hashed", "linear", "ratio");
    TTargets targets(
        {"merge of 100,000 albums, all names new < 2 s", "10,000 albums added one by one < 0.5 s"});
    for (const long long n : {1000LL, 10000LL, 100000LL}) {
        const auto *whole = rep.Find("BM_MergeNewNames", n);
        const auto *ours = rep.Find("BM_MergeLookups", n);
        const auto *peer = rep.Find("BM_MergeLookupsLinear", n);
        const double names = std::max(
            {CounterOf(whole, "new_names"), CounterOf(ours, "names"), CounterOf(peer, "names")});
        if (whole)
            std::printf(rowFormat, "merge (whole collection)", std::to_string(n).c_str(),
                        Number(CounterOf(whole, "new_names"), "%.0f").c_str(),
                        MsText(WallOf(whole)).c_str(), "", "");
        if (ours || peer)
            std::printf(rowFormat, "merge (lookup lists only)", std::to_string(n).c_str(),
                        Number(names, "%.0f").c_str(), MsText(WallOf(ours)).c_str(),
                        MsText(WallOf(peer)).c_str(), Ratio(WallOf(ours), WallOf(peer)).c_str());
        if (n == 100000)
            targets.Verdict(0, n, WallOf(whole), TTargets::Below, 2.0, "  %lld: %.2f s %s");
        const auto *add = rep.Find("BM_AddAlbums", n);
        const auto *addPeer = rep.Find("BM_AddAlbumsLinear", n);
        if (add || addPeer)
            std::printf(rowFormat, "albums added one by one", std::to_string(n).c_str(), "",
                        MsText(WallOf(add)).c_str(), MsText(WallOf(addPeer)).c_str(),
                        Ratio(WallOf(add), WallOf(addPeer)).c_str());
        if (n == 10000)
            targets.Verdict(1, n, WallOf(add), TTargets::Below, 0.5, "  %lld: %.3f s %s");
    }
    targets.Print(46);

    std::printf("\ncdplayer.ini import into 100,000 artists: milliseconds, median.\n\n");
    const char *importFormat = "%-44s %9s %10s %10s %9s\n";
    std::printf(importFormat, "operation", "discs", "bare", "shown", "ratio");
    TTargets importTargets({"20,000 discs, bare artists within 2x of shown ones"});
    for (const long long n : {2000LL, 20000LL}) {
        const auto *bare = rep.Find("BM_ImportCdPlayerBareArtists", n);
        const auto *shown = rep.Find("BM_ImportCdPlayerShownArtists", n);
        if (!bare && !shown)
            continue;
        std::printf(importFormat, "import, a display name filled in per disc",
                    std::to_string(n).c_str(), MsText(WallOf(bare)).c_str(),
                    MsText(WallOf(shown)).c_str(), Ratio(WallOf(bare), WallOf(shown)).c_str());
        if (n == 20000 && WallOf(bare) >= 0 && WallOf(shown) > 0)
            importTargets.Verdict(0, n, WallOf(bare) / WallOf(shown), TTargets::Below, 2.0,
                                  "  %lld: %.2fx %s");
    }
    importTargets.Print(46);
    std::fflush(stdout);
}

} // namespace

int main(int argc, char **argv)
{
    return RunBenchmarkProgram<QCoreApplication>(argc, argv, printSummary, [] {
        if (!qEnvironmentVariableIsEmpty("QEL_BENCH_LINEAR_ALL"))
            benchmark::RegisterBenchmark("BM_MergeLookupsLinear", BM_MergeLookupsLinear)
                ->Arg(100000)
                ->Iterations(1)
                ->Repetitions(1)
                ->UseManualTime()
                ->Unit(benchmark::kMillisecond);
    });
}
