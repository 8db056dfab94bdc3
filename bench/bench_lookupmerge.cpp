// Work on the whole collection at once, each beside a plain resave of the same file (read
// and written again), which is what a user waits for when the collection is saved anyway:
// merging 1,000 artist entries into one, "Find Similar" over the whole artist list, and
// finding the albums that are likely the same.

#include "benchdata.h"
#include "benchreport.h"

#include "model/duplicates.h"
#include "model/lookupmerge.h"
#include "model/qeldb.h"
#include "model/similarnames.h"

#include <QCoreApplication>

#include <benchmark/benchmark.h>

#include <cstdio>
#include <string>

using namespace bench;

namespace {

constexpr int kMerged = 1000;

void BM_Resave(benchmark::State &state)
{
    Guarded(state, [&] {
        const TCollection &c = Collection(int(state.range(0)));
        const QString out = WorkFile(QStringLiteral("resave-%1.qel").arg(state.range(0)));
        TTimed timed(state);
        for (auto _ : state) {
            timed([&] {
                TQelDb db;
                db.ReadFile(c.qelPath, false);
                db.Save(out);
            });
        }
        RemoveFile(out);
        timed.Report(c);
    });
}

// The collection's first artist entry takes in the next 1,000: one pass repointing albums
// and tracks, then the removal that the views are told of.
void BM_MergeArtists(benchmark::State &state)
{
    Guarded(state, [&] {
        const TCollection &c = Collection(int(state.range(0)));
        TQelDb db;
        TTimed timed(state);
        qint64 references = 0;
        for (auto _ : state) {
            db.Clear();
            db.ReadFile(c.qelPath, false);
            TLookupList &artists = db.LookupList(fdArtist);
            TLookupItemSet others;
            for (qsizetype i = 1; i <= kMerged && i < artists.Count(); ++i)
                others.insert(artists.Items(i));
            TLookupItem *keep = artists.Items(0);
            timed([&] { references = MergeLookupItems(db, fdArtist, keep, others).references; });
        }
        timed.Report(c);
        state.counters["references"] = double(references);
    });
}

void BM_FindSimilarArtists(benchmark::State &state)
{
    Guarded(state, [&] {
        const TCollection &c = Collection(int(state.range(0)));
        TQelDb db;
        db.ReadFile(c.qelPath, false);
        const TLookupList &artists = db.LookupList(fdArtist);
        benchmark::DoNotOptimize(artists.Items(0));
        TTimed timed(state);
        std::size_t groups = 0;
        for (auto _ : state)
            timed([&] { groups = FindSimilarEntries(artists).size(); });
        timed.Report(c);
        state.counters["entries"] = double(artists.Count());
        state.counters["groups"] = double(groups);
    });
}

void BM_FindDuplicates(benchmark::State &state)
{
    Guarded(state, [&] {
        const TCollection &c = Collection(int(state.range(0)));
        TQelDb db;
        db.ReadFile(c.qelPath, false);
        TTimed timed(state);
        std::size_t groups = 0;
        for (auto _ : state)
            timed([&] { groups = FindDuplicateAlbums(db).size(); });
        timed.Report(c);
        state.counters["groups"] = double(groups);
    });
}

void sizes(benchmark::internal::Benchmark *b)
{
    b->Arg(10000)->Arg(100000)->Iterations(2)->UseManualTime()->Unit(benchmark::kMillisecond);
}

BENCHMARK(BM_Resave)->Apply(sizes);
BENCHMARK(BM_MergeArtists)->Apply(sizes);
BENCHMARK(BM_FindSimilarArtists)->Apply(sizes);
BENCHMARK(BM_FindDuplicates)->Apply(sizes);

void printSummary(const TCollectingReporter &rep)
{
    if (rep.results.empty())
        return;
    std::printf("\nWhole-collection commands beside a plain resave (read and write) of the same "
                "file:\nmilliseconds, median of the repetitions (wall clock).\n\n");
    const char *rowFormat = "%-40s %8s %10s %10s %9s\n";
    std::printf(rowFormat, "operation", "albums", "command", "resave", "ratio");
    const struct
    {
        const char *name, *label;
    } rows[] = {{"BM_MergeArtists", "merge 1,000 artist entries into one"},
                {"BM_FindSimilarArtists", "Find Similar over the artist list"},
                {"BM_FindDuplicates", "find duplicate albums"}};
    TTargets targets({"each command at 100,000 albums costs less than a resave"});
    for (const long long n : {10000LL, 100000LL}) {
        const auto *resave = rep.Find("BM_Resave", n);
        for (const auto &row : rows) {
            const auto *r = rep.Find(row.name, n);
            if (!r)
                continue;
            std::printf(rowFormat, row.label, std::to_string(n).c_str(), MsText(WallOf(r)).c_str(),
                        MsText(WallOf(resave)).c_str(), Ratio(WallOf(r), WallOf(resave)).c_str());
            if (n == 100000 && WallOf(resave) > 0)
                targets.Verdict(0, n, WallOf(r) / WallOf(resave), TTargets::Below, 1.0,
                                "  %lld: %.3f of a resave %s");
        }
    }
    targets.Print(56);
    std::fflush(stdout);
}

} // namespace

int main(int argc, char **argv)
{
    return RunBenchmarkProgram<QCoreApplication>(argc, argv, printSummary);
}
