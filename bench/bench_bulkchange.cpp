// One field changed on every tenth album of a collection (10,000 of 100,000), as "Change
// Selected Albums..." and `qel set` do it, beside a plain resave of the same collection:
// the change alone (a text field, and a lookup field whose name is looked up once), and
// the change with the save that follows it in the desktop program, where only the changed
// albums are encoded again (the others keep the bytes of the last save) and the file is
// written on the writer's thread.

#include "benchdata.h"
#include "benchreport.h"

#include "model/backgroundwriter.h"
#include "model/bulkchange.h"
#include "model/qeldb.h"

#include <QCoreApplication>

#include <benchmark/benchmark.h>

#include <cstdio>
#include <string>
#include <vector>

using namespace bench;

namespace {

// Every tenth album of the collection.
std::vector<TDataItem *> everyTenth(const TQelDb &db)
{
    std::vector<TDataItem *> items;
    for (qsizetype i = 0; i < db.AlbumCount(); i += 10)
        items.push_back(db.Album(i));
    return items;
}

TBulkChange changeOf(TFieldId field, const QString &text)
{
    TFieldValue value;
    QString why;
    if (!TBulkChange::ParseValue(ilAlbum, field, text, value, why))
        Fail(Utf8(why));
    TBulkChange change;
    change.Set(value);
    return change;
}

// A collection as the desktop program holds it after opening: every album keeps its
// bytes for the next save (encoded in idle time).
void openForSaves(TQelDb &db, const TCollection &c)
{
    db.ReadFile(c.qelPath, false);
    while (db.EncodeSomeAlbums(1 << 30)) {
    }
}

// The peer: the same collection written again from scratch.
void BM_Resave(benchmark::State &state)
{
    Guarded(state, [&] {
        const TCollection &c = Collection(int(state.range(0)));
        TQelDb db;
        db.ReadFile(c.qelPath, false);
        const QString target = WorkFile(QStringLiteral("resave.qel"));
        TTimed timed(state);
        for (auto _ : state)
            timed([&] { db.Save(target); });
        RemoveFile(target);
        timed.Report(c);
    });
}

// The change alone; each round gives the albums the other of two values, so every round
// changes every chosen album. With save, also what the window does next: the pieces of
// the file made on its thread and handed to the writer (timed), and the write until the
// file is in place (the counter whole_ms).
void change(benchmark::State &state, TFieldId field, const QString &a, const QString &b, bool save)
{
    Guarded(state, [&] {
        const TCollection &c = Collection(int(state.range(0)));
        TQelDb db;
        openForSaves(db, c);
        const std::vector<TDataItem *> items = everyTenth(db);
        const TBulkChange changes[] = {changeOf(field, a), changeOf(field, b)};
        const QString target = WorkFile(QStringLiteral("bulkchange.qel"));
        TBackgroundWriter writer;
        QString error;
        QObject::connect(&writer, &TBackgroundWriter::Written,
                         [&error](quint64, const QString &, const QString &e) { error = e; });
        TTimed timed(state);
        qsizetype changed = 0;
        int round = 0;
        double whole = 0;
        for (auto _ : state) {
            const TBulkChange &now = changes[round++ % 2];
            const auto start = Clock::now();
            timed([&] {
                changed = now.Apply(db, items).Items;
                if (save)
                    writer.Write(target, db.SavePieces());
            });
            writer.Wait();
            whole += SecondsSince(start);
            writer.Deliver();
            if (!error.isEmpty())
                Fail("save: " + Utf8(error));
            if (changed != qsizetype(items.size()))
                Fail("the change missed albums");
        }
        RemoveFile(target);
        timed.Report(c);
        state.counters["changed"] = double(changed);
        state.counters["whole_ms"] =
            benchmark::Counter(whole * 1e3, benchmark::Counter::kAvgIterations);
    });
}

void BM_ChangeText(benchmark::State &state)
{
    change(state, fdLocation, QStringLiteral("Shelf A"), QStringLiteral("Shelf B"), false);
}

void BM_ChangeLookup(benchmark::State &state)
{
    change(state, fdLabel, QStringLiteral("Bulk Label A"), QStringLiteral("Bulk Label B"), false);
}

void BM_ChangeTextAndSave(benchmark::State &state)
{
    change(state, fdLocation, QStringLiteral("Shelf A"), QStringLiteral("Shelf B"), true);
}

void sizes(benchmark::internal::Benchmark *b)
{
    b->Arg(10000)->Arg(100000)->UseManualTime()->Unit(benchmark::kMillisecond)->Iterations(4);
}

BENCHMARK(BM_Resave)->Apply(sizes);
BENCHMARK(BM_ChangeText)->Apply(sizes);
BENCHMARK(BM_ChangeLookup)->Apply(sizes);
BENCHMARK(BM_ChangeTextAndSave)->Apply(sizes);

void printSummary(const TCollectingReporter &rep)
{
    const std::set<long long> sizesSeen = SizesSeen(rep);
    if (sizesSeen.empty())
        return;
    std::printf("\nOne field on every tenth album against a plain resave of the collection:\n"
                "milliseconds, median of the repetitions (wall clock; thread CPU time); ratio =\n"
                "ours / resave. The resave encodes every album, writes and syncs the file; the\n"
                "window's save after the change encodes the changed albums and leaves the writing\n"
                "to the writer's thread.\n\n");
    const char *rowFormat = "%-8s %-8s %-32s %9s %9s %9s %9s %7s\n";
    std::printf(rowFormat, "albums", "changed", "operation", "ours", "cpu", "resave", "cpu",
                "ratio");
    TTargets targets({"10,000 of 100,000 albums, text field < resave", "  lookup field < resave",
                      "  with the window's part of the save < resave"});
    for (const long long n : sizesSeen) {
        const auto *resave = rep.Find("BM_Resave", n);
        const auto *text = rep.Find("BM_ChangeText", n);
        const auto *lookup = rep.Find("BM_ChangeLookup", n);
        const auto *saved = rep.Find("BM_ChangeTextAndSave", n);
        const std::string nText = std::to_string(n);
        const std::string changed = Number(CounterOf(text, "changed"), "%.0f");
        bool first = true;
        auto row = [&](const char *op, double wall, double cpu) {
            std::printf(rowFormat, first ? nText.c_str() : "", first ? changed.c_str() : "", op,
                        MsText(wall).c_str(), MsText(cpu).c_str(), MsText(WallOf(resave)).c_str(),
                        MsText(CpuOf(resave)).c_str(), Ratio(wall, WallOf(resave)).c_str());
            first = false;
        };
        row("text field (Location)", WallOf(text), CpuOf(text));
        row("lookup field (Label)", WallOf(lookup), CpuOf(lookup));
        row("text field, window's save part", WallOf(saved), CpuOf(saved));
        const double whole = saved ? CounterOf(saved, "whole_ms") / 1e3 : -1;
        row("  until the file is written", whole, -1);
        if (n != 100000 || WallOf(resave) <= 0)
            continue;
        const std::pair<std::size_t, const TCollectingReporter::TResult *> checks[] = {
            {0, text}, {1, lookup}, {2, saved}};
        for (const auto &[i, r] : checks)
            if (WallOf(r) >= 0)
                targets.Verdict(i, n, WallOf(r) / WallOf(resave), TTargets::Below, 1.0,
                                "  %lld: %.3fx %s");
    }
    targets.Print(50);
    std::fflush(stdout);
}

} // namespace

int main(int argc, char **argv)
{
    return RunBenchmarkProgram<QCoreApplication>(argc, argv, printSummary);
}
