// The exports of all tracks with five columns: delimited text and HTML, against the
// sqlite3 shell's -csv output of the same columns from the SQLite copy of the
// collection. Also the memory an export takes beyond the loaded collection, which must
// not grow with the number of rows.

#include "benchdata.h"
#include "benchreport.h"
#include "sqlitepeer.h"

#include "exchange/export.h"
#include "model/album.h"
#include "model/general.h"
#include "model/qeldb.h"
#include "model/tracks.h"
#include "views/listfields.h"

#include <QCoreApplication>
#include <QFile>
#include <QFileInfo>
#include <QProcess>

#include <benchmark/benchmark.h>

#include <cstdio>
#include <map>
#include <memory>

using namespace bench;

namespace {

// The summaries of the runs are not wanted on the console.
class TQuietInterface : public TUserInterface
{
public:
    void ShowInfo(const QString &) override {}
    TAnswer AskYesNo(const QString &) override { return TAnswer::Yes; }
    TAnswer AskOkCancel(const QString &) override { return TAnswer::Ok; }
};

TQelDb &loaded(int albums)
{
    static std::map<int, std::unique_ptr<TQelDb>> cache;
    auto &slot = cache[albums];
    if (!slot) {
        slot = std::make_unique<TQelDb>();
        slot->ReadFile(Collection(albums).qelPath, false);
    }
    return *slot;
}

const TFieldId kColumns[] = {fdAlbumTitle, fdIndex, fdTitle, fdArtist, fdLength};

template <class T> void exportTracks(benchmark::State &state, const QString &name)
{
    TQelDb &db = loaded(int(state.range(0)));
    TShowFields columns(ilTrack);
    for (TFieldId f : kColumns)
        columns.Add(std::make_unique<TShowField>(f));
    const QString out = WorkFile(name);
    TQuietInterface quiet;
    TUserInterface *previous = SetUserInterface(&quiet);
    qint64 rows = 0;
    double extraMb = 0;
    for (auto _ : state) {
        QFile::remove(out);
        T e;
        e.ItemList = &db.Albums;
        e.ListLevel = ilAlbum;
        e.ExportLevel = ilTrack;
        e.ShowFields = &columns;
        e.FileName = out;
        ResetPeakResident();
        const qint64 before = ProcStatusKb("VmRSS:");
        const auto start = Clock::now();
        if (!e.Execute())
            Fail("the export failed");
        state.SetIterationTime(SecondsSince(start));
        extraMb = std::max(extraMb, double(ProcStatusKb("VmHWM:") - before) / 1024.0);
        rows = e.ExportedCount;
    }
    SetUserInterface(previous);
    state.counters["rows"] = double(rows);
    state.counters["MB"] = double(QFileInfo(out).size()) / 1e6;
    // What the export held beyond the loaded collection at its peak.
    state.counters["peakMB"] = extraMb;
}

void BM_ExportCsv(benchmark::State &state)
{
    exportTracks<TExportAscii>(state, QStringLiteral("export.csv"));
}

void BM_ExportHtml(benchmark::State &state)
{
    exportTracks<TExportHTML>(state, QStringLiteral("export.htm"));
}

// The floor: the texts of the five columns of every track, written nowhere.
void BM_FieldTextsFloor(benchmark::State &state)
{
    TQelDb &db = loaded(int(state.range(0)));
    qint64 chars = 0;
    for (auto _ : state) {
        const auto start = Clock::now();
        for (qsizetype a = 0; a < db.AlbumCount(); ++a)
            for (qsizetype d = 0; d < db.Album(a)->DiscCount(); ++d)
                for (const TTrack *track : db.Album(a)->Disc(d)->Tracks)
                    for (TFieldId f : kColumns)
                        chars += track->GetFieldAsString(f).size();
        state.SetIterationTime(SecondsSince(start));
    }
    benchmark::DoNotOptimize(chars);
}

// The same five columns: the album's title, the index, the title, the artist (the
// track's own, else the disc's, else the album's) and the length as mm:ss.
std::string peerSql()
{
    const std::string artists = std::to_string(LookupListOf(fdArtist));
    return "SELECT a.title, printf('%02d', i.idx), i.title, "
           "coalesce(nullif(l.display_name, ''), l.sort_name), "
           "printf('%02d:%02d', i.length / 60, i.length % 60) "
           "FROM items i JOIN discs d ON d.id = i.disc_id JOIN albums a ON a.id = d.album_id "
           "LEFT JOIN lookups l ON l.list = " +
           artists +
           " AND l.id = coalesce(i.artist, d.artist, a.artist) "
           "WHERE i.kind = " +
           std::to_string(int(TItemKind::Track)) + " ORDER BY i.id;";
}

void BM_Sqlite3CsvPeer(benchmark::State &state)
{
    const TCollection &c = PeerCollection(int(state.range(0)));
    const QString out = WorkFile(QStringLiteral("peer.csv"));
    const QString sql = QString::fromStdString(peerSql());
    for (auto _ : state) {
        QFile::remove(out);
        QProcess p;
        p.setStandardOutputFile(out);
        const auto start = Clock::now();
        p.start(QStringLiteral("sqlite3"), {QStringLiteral("-csv"), c.sqlitePath, sql});
        if (!p.waitForFinished(-1) || p.exitCode() != 0)
            Fail("sqlite3 failed: " + p.readAllStandardError().toStdString());
        state.SetIterationTime(SecondsSince(start));
    }
    state.counters["MB"] = double(QFileInfo(out).size()) / 1e6;
}

} // namespace

BENCHMARK(BM_ExportCsv)
    ->Arg(10000)
    ->Arg(100000)
    ->Iterations(1)
    ->UseManualTime()
    ->Unit(benchmark::kMillisecond);
BENCHMARK(BM_ExportHtml)
    ->Arg(10000)
    ->Arg(100000)
    ->Iterations(1)
    ->UseManualTime()
    ->Unit(benchmark::kMillisecond);
BENCHMARK(BM_FieldTextsFloor)
    ->Arg(100000)
    ->Iterations(1)
    ->UseManualTime()
    ->Unit(benchmark::kMillisecond);
BENCHMARK(BM_Sqlite3CsvPeer)
    ->Arg(100000)
    ->Iterations(1)
    ->UseManualTime()
    ->Unit(benchmark::kMillisecond);

namespace {

void printSummary(const TCollectingReporter &rep)
{
    if (SizesSeen(rep).empty())
        return;
    std::printf("\nAll tracks with five columns: milliseconds per export (wall clock, median "
                "of the\nrepetitions), the file's size and the resident memory the export adds "
                "at its peak.\n\n");
    const char *rowFormat = "%-7s %-8s %-24s %10s %9s %14s\n";
    std::printf(rowFormat, "albums", "tracks", "operation", "ms", "MB", "extra peak MB");
    TTargets targets({"CSV of 100k albums (1.2M rows) <= 1.2 s", "CSV <= 1/3 x sqlite3 -csv",
                      "extra peak of 100k albums <= 10k albums + 1 MB"});
    double peak10k = -1;
    for (const long long n : SizesSeen(rep)) {
        const auto *csv = rep.Find("BM_ExportCsv", n);
        const auto *html = rep.Find("BM_ExportHtml", n);
        const auto *floor = rep.Find("BM_FieldTextsFloor", n);
        const auto *peer = rep.Find("BM_Sqlite3CsvPeer", n);
        const std::string nText = std::to_string(n);
        const std::string rows = Number(CounterOf(csv ? csv : html, "rows"), "%.0f");
        bool first = true;
        auto row = [&](const char *op, const TCollectingReporter::TResult *r) {
            if (!r)
                return;
            std::printf(rowFormat, first ? nText.c_str() : "", first ? rows.c_str() : "", op,
                        MsText(WallOf(r)).c_str(), Number(CounterOf(r, "MB"), "%.1f").c_str(),
                        Number(CounterOf(r, "peakMB"), "%.2f").c_str());
            first = false;
        };
        row("CSV", csv);
        row("HTML", html);
        row("field texts alone", floor);
        row("sqlite3 -csv (peer)", peer);
        if (csv && peer)
            std::printf("%-7s %-8s %-24s %10s\n", "", "", "sqlite3 / CSV",
                        Ratio(WallOf(peer), WallOf(csv)).c_str());
        if (n == 100000)
            targets.Verdict(0, n, WallOf(csv) * 1000, TTargets::AtMost, 1200,
                            " %lld albums: %.0f ms %s");
        if (csv && peer)
            targets.Verdict(1, n, WallOf(csv) / WallOf(peer), TTargets::AtMost, 1.0 / 3,
                            " %lld albums: %.2f x %s");
        if (n == 10000)
            peak10k = CounterOf(csv, "peakMB");
        if (n == 100000 && peak10k >= 0)
            targets.Verdict(2, n, CounterOf(csv, "peakMB"), TTargets::AtMost, peak10k + 1,
                            " %lld albums: %.2f MB %s");
    }
    targets.Print(48);
}

} // namespace

int main(int argc, char **argv)
{
    return RunBenchmarkProgram<QCoreApplication>(argc, argv, printSummary);
}
