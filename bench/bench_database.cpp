// Opening, saving and closing a collection, side by side with the same collection
// kept in a normalised SQLite database and loaded into the same item objects.
//
// The collections and the peer come from benchdata.h and sqlitepeer.h.
// Peak memory (and the time of a first open) is measured in a freshly executed copy
// of this program, so nothing the benchmarks allocated before can hide in the numbers.

#include "benchdata.h"
#include "benchreport.h"
#include "sqlitepeer.h"

#include "model/backgroundwriter.h"
#include "model/qeldb.h"

#include <QCoreApplication>
#include <QFile>
#include <QFileInfo>

#include <benchmark/benchmark.h>

#include <algorithm>
#include <cstdio>
#include <cstring>
#include <map>
#include <set>
#include <string>
#include <vector>

#include <fcntl.h>
#include <sys/wait.h>
#include <unistd.h>

using namespace bench;

namespace {

constexpr const char *kFreshLoadFlag = "--qel-fresh-load";

// Writes bytes with one write() loop and makes them durable: the floor under Save.
void writeAndSync(const QString &path, const QByteArray &bytes)
{
    const QByteArray name = QFile::encodeName(path);
    const int fd = ::open(name.constData(), O_WRONLY | O_CREAT | O_TRUNC | O_CLOEXEC, 0644);
    if (fd < 0)
        Fail("cannot create " + name.toStdString());
    const char *p = bytes.constData();
    qsizetype left = bytes.size();
    while (left > 0) {
        const ssize_t n = ::write(fd, p, std::size_t(left));
        if (n <= 0) {
            ::close(fd);
            Fail("cannot write " + name.toStdString());
        }
        p += n;
        left -= n;
    }
    if (::fsync(fd) != 0) {
        ::close(fd);
        Fail("cannot sync " + name.toStdString());
    }
    ::close(fd);
}

// ---------------------------------------------------------------------------
// Loading in a fresh process: this program run again with kFreshLoadFlag loads one
// file and writes its peak resident bytes (VmHWM), the tracks and the load's wall and CPU
// seconds to a pipe. A fresh process pays the first touch of every page it fills,
// as the first open after starting the program does.

struct TFreshLoad
{
    qint64 maxRss = 0;
    qint64 tracks = 0;
    double wall = 0;
    double cpu = 0;
};

// The high-water mark of this process's resident memory. getrusage's ru_maxrss would
// do but for exec: it keeps the mark of the forked copy of the parent, which after a
// large load is far above anything the child itself uses.
qint64 peakResidentBytes()
{
    const qint64 kb = ProcStatusKb("VmHWM:");
    if (kb < 0)
        Fail("no VmHWM in /proc/self/status");
    return kb * 1024;
}

int freshLoadChild(int argc, char **argv)
{
    // argv: program flag mode path fd
    if (argc != 5)
        return 2;
    QCoreApplication app(argc, argv);
    const std::string mode = argv[2];
    const QString path = QFile::decodeName(argv[3]);
    const int fd = std::atoi(argv[4]);
    TFreshLoad load;
    try {
        auto *db = new TQelDb; // left to the exit: freeing is no part of the load
        const double cpu = ThreadCpuSeconds();
        const auto start = Clock::now();
        if (mode == "qel")
            db->ReadFile(path, false);
        else if (mode == "sqlite")
            SqliteLoad(*db, path);
        else if (mode != "empty")
            return 2;
        load.wall = SecondsSince(start);
        load.cpu = ThreadCpuSeconds() - cpu;
        load.tracks = CountTracks(*db);
    } catch (const std::exception &e) {
        std::fprintf(stderr, "fresh load: %s\n", e.what());
        return 1;
    }
    load.maxRss = peakResidentBytes();
    char line[128];
    const int n = std::snprintf(line, sizeof line, "%lld %lld %.9f %.9f\n",
                                static_cast<long long>(load.maxRss),
                                static_cast<long long>(load.tracks), load.wall, load.cpu);
    if (::write(fd, line, std::size_t(n)) != n)
        return 1;
    ::_exit(0);
}

TFreshLoad runFreshLoad(const char *mode, const QString &path)
{
    int fds[2];
    if (::pipe(fds) != 0)
        Fail("pipe");
    ::fcntl(fds[0], F_SETFD, FD_CLOEXEC);
    const std::string fdText = std::to_string(fds[1]);
    const QByteArray file = QFile::encodeName(path);
    const pid_t pid = ::fork();
    if (pid < 0)
        Fail("fork");
    if (pid == 0) {
        ::execl("/proc/self/exe", "bench_database", kFreshLoadFlag, mode, file.constData(),
                fdText.c_str(), static_cast<char *>(nullptr));
        ::_exit(127);
    }
    ::close(fds[1]);
    std::string out;
    char buf[256];
    ssize_t n;
    while ((n = ::read(fds[0], buf, sizeof buf)) > 0)
        out.append(buf, std::size_t(n));
    ::close(fds[0]);
    int status = 0;
    ::waitpid(pid, &status, 0);
    TFreshLoad load;
    long long rss = 0, tracks = 0;
    if (!WIFEXITED(status) || WEXITSTATUS(status) != 0 ||
        std::sscanf(out.c_str(), "%lld %lld %lf %lf", &rss, &tracks, &load.wall, &load.cpu) != 4)
        Fail(std::string("fresh load child failed (") + mode + ")");
    load.maxRss = rss;
    load.tracks = tracks;
    return load;
}

// The median of a few fresh loads; maxRss becomes the peak above an empty process
// of this program.
TFreshLoad freshLoad(const char *mode, const QString &path)
{
    static const qint64 emptyRss = runFreshLoad("empty", QString()).maxRss;
    constexpr int kRuns = 3;
    std::vector<TFreshLoad> runs;
    for (int i = 0; i < kRuns; ++i)
        runs.push_back(runFreshLoad(mode, path));
    if (runs.front().tracks <= 0)
        Fail("no tracks loaded");
    auto middle = [&runs](auto member) {
        std::vector<double> v;
        for (const TFreshLoad &r : runs)
            v.push_back(double(r.*member));
        std::sort(v.begin(), v.end());
        return v[v.size() / 2];
    };
    TFreshLoad result;
    result.tracks = runs.front().tracks;
    result.maxRss = qint64(middle(&TFreshLoad::maxRss)) - emptyRss;
    result.wall = middle(&TFreshLoad::wall);
    result.cpu = middle(&TFreshLoad::cpu);
    return result;
}

// Fresh loads of the collections, measured once per size and kind of file.
TFreshLoad &qelFresh(int albums)
{
    static std::map<int, TFreshLoad> cache;
    const auto it = cache.find(albums);
    if (it != cache.end())
        return it->second;
    return cache[albums] = freshLoad("qel", Collection(albums).qelPath);
}

TFreshLoad &sqliteFresh(int albums)
{
    static std::map<int, TFreshLoad> cache;
    const auto it = cache.find(albums);
    if (it != cache.end())
        return it->second;
    return cache[albums] = freshLoad("sqlite", PeerCollection(albums).sqlitePath);
}

// ---------------------------------------------------------------------------
// Benchmarks.

// What a fresh process pays for the same load: peak memory and time.
void reportFresh(benchmark::State &state, const TCollection &c, const TFreshLoad &fresh,
                 qint64 fileBytes)
{
    state.counters["file_MB"] = double(fileBytes) / 1e6;
    state.counters["peak_MB"] = double(fresh.maxRss) / 1e6;
    state.counters["peak_B/track"] = double(fresh.maxRss) / double(c.tracks);
    state.counters["fresh_ms"] = fresh.wall * 1e3;
    state.counters["fresh_cpu_ms"] = fresh.cpu * 1e3;
}

void BM_Open(benchmark::State &state)
{
    Guarded(state, [&] {
        const TCollection &c = Collection(int(state.range(0)));
        const TFreshLoad &fresh = qelFresh(int(state.range(0)));
        TQelDb db;
        TTimed timed(state);
        for (auto _ : state) {
            db.Clear();
            timed([&] { db.ReadFile(c.qelPath, false); });
        }
        timed.Report(c);
        reportFresh(state, c, fresh, c.qelBytes);
    });
}

void BM_Close(benchmark::State &state)
{
    Guarded(state, [&] {
        const TCollection &c = Collection(int(state.range(0)));
        TQelDb db;
        TTimed timed(state);
        for (auto _ : state) {
            db.ReadFile(c.qelPath, false);
            timed([&] { db.Clear(); });
        }
        timed.Report(c);
    });
}

void BM_Save(benchmark::State &state)
{
    Guarded(state, [&] {
        const TCollection &c = Collection(int(state.range(0)));
        TQelDb db;
        db.ReadFile(c.qelPath, false);
        const QString target = WorkFile(QStringLiteral("save.qel"));
        TTimed timed(state);
        for (auto _ : state)
            timed([&] { db.Save(target); });
        RemoveFile(target);
        timed.Report(c);
    });
}

void BM_Serialise(benchmark::State &state)
{
    Guarded(state, [&] {
        const TCollection &c = Collection(int(state.range(0)));
        TQelDb db;
        db.ReadFile(c.qelPath, false);
        const QString target = WorkFile(QStringLiteral("serialise.qel"));
        TTimed timed(state);
        for (auto _ : state) {
            QByteArray bytes; // freed outside the timed part
            timed([&] {
                bytes = db.SaveToBytes();
                writeAndSync(target, bytes);
            });
        }
        RemoveFile(target);
        timed.Report(c);
    });
}

// Resident bytes of this process now.
qint64 residentBytes()
{
    QFile status(QStringLiteral("/proc/self/status"));
    if (!status.open(QIODevice::ReadOnly | QIODevice::Text))
        Fail("cannot read /proc/self/status");
    for (const QByteArray &line : status.readAll().split('\n'))
        if (line.startsWith("VmRSS:"))
            return line.mid(6).trimmed().split(' ').value(0).toLongLong() * 1024;
    Fail("no VmRSS in /proc/self/status");
}

// The save of the desktop program: the bytes made on the calling (user interface)
// thread, written, synced and renamed on the writer's thread. Timed: what the calling
// thread spends; counters: the whole save until the file is in place, and the peak
// resident memory the save adds.
void BM_SaveInBackground(benchmark::State &state)
{
    Guarded(state, [&] {
        const TCollection &c = Collection(int(state.range(0)));
        TQelDb db;
        db.ReadFile(c.qelPath, false);
        const QString target = WorkFile(QStringLiteral("background.qel"));
        TBackgroundWriter writer;
        QString error;
        QObject::connect(&writer, &TBackgroundWriter::Written,
                         [&error](quint64, const QString &, const QString &e) { error = e; });
        TTimed timed(state);
        double whole = 0;
        qint64 peak = 0;
        for (auto _ : state) {
            const qint64 before = residentBytes();
            ResetPeakResident();
            const auto start = Clock::now();
            timed([&] { writer.Write(target, db.SaveToBytes()); });
            writer.Wait();
            whole += SecondsSince(start);
            peak = std::max(peak, peakResidentBytes() - before);
            writer.Deliver();
            if (!error.isEmpty())
                Fail("background save: " + error.toStdString());
        }
        RemoveFile(target);
        timed.Report(c);
        state.counters["whole_ms"] =
            benchmark::Counter(whole * 1e3, benchmark::Counter::kAvgIterations);
        state.counters["peak_MB"] = double(peak) / 1e6;
        state.counters["file_MB"] = double(QFileInfo(c.qelPath).size()) / 1e6;
    });
}

void BM_SqliteOpen(benchmark::State &state)
{
    Guarded(state, [&] {
        const TCollection &c = PeerCollection(int(state.range(0)));
        const TFreshLoad &fresh = sqliteFresh(int(state.range(0)));
        TQelDb db;
        TTimed timed(state);
        for (auto _ : state) {
            db.Clear();
            timed([&] { SqliteLoad(db, c.sqlitePath); });
        }
        timed.Report(c);
        reportFresh(state, c, fresh, c.sqliteBytes);
    });
}

void BM_SqliteClose(benchmark::State &state)
{
    Guarded(state, [&] {
        const TCollection &c = PeerCollection(int(state.range(0)));
        TQelDb db;
        TTimed timed(state);
        for (auto _ : state) {
            db.Clear();
            SqliteLoad(db, c.sqlitePath);
            timed([&] { db.Clear(); });
        }
        timed.Report(c);
    });
}

void BM_SqliteSave(benchmark::State &state)
{
    Guarded(state, [&] {
        const TCollection &c = PeerCollection(int(state.range(0)));
        TQelDb db;
        db.ReadFile(c.qelPath, false);
        const QString target = WorkFile(QStringLiteral("save.sqlite"));
        TTimed timed(state);
        for (auto _ : state) {
            RemoveFile(target);
            timed([&] { SqliteSave(db, target); });
        }
        RemoveFile(target);
        timed.Report(c);
    });
}

BENCHMARK(BM_Open)->Apply(Sizes);
BENCHMARK(BM_SqliteOpen)->Apply(Sizes);
BENCHMARK(BM_Close)->Apply(Sizes);
BENCHMARK(BM_SqliteClose)->Apply(Sizes);
BENCHMARK(BM_Save)->Apply(Sizes);
BENCHMARK(BM_Serialise)->Apply(Sizes);
BENCHMARK(BM_SaveInBackground)->Apply(Sizes);
BENCHMARK(BM_SqliteSave)->Apply(Sizes);

// ---------------------------------------------------------------------------
// The summary table after the console output.

void printSummary(const TCollectingReporter &rep)
{
    const std::set<long long> sizesSeen = SizesSeen(rep);
    if (sizesSeen.empty())
        return;

    std::printf(
        "\nQel against SQLite: milliseconds per operation, median of the repetitions; wall\n"
        "clock and the thread's CPU time (warm file cache). Peak memory: resident bytes\n"
        "above an empty process, per track.\n\n");
    const char *rowFormat = "%-7s %-8s %-22s %10s %10s %10s %10s %9s %9s\n";
    std::printf(rowFormat, "albums", "tracks", "operation", "Qel", "Qel cpu", "SQLite",
                "SQLite cpu", "ratio", "cpu ratio");

    TTargets targets({"open <= 0.20 x SQLite open (wall)", "  the same, thread CPU time",
                      "  the same, fresh process (wall)", "save <= 1.50 x serialise+write+fsync",
                      "close < 150 ms", "peak < 400 B/track",
                      "background save: UI thread < 1/3 x whole", "  its peak <= 1.2 x file"});
    // As before: each limit is met when not exceeded.
    auto verdict = [&targets](std::size_t i, long long n, double value, double limit,
                              const char *format) {
        targets.Verdict(i, n, value, TTargets::AtMost, limit, format);
    };

    double lastPeak = -1, lastTracks = -1;
    std::string marginal;
    for (const long long n : sizesSeen) {
        const auto *open = rep.Find("BM_Open", n);
        const auto *peerOpen = rep.Find("BM_SqliteOpen", n);
        const auto *close = rep.Find("BM_Close", n);
        const auto *peerClose = rep.Find("BM_SqliteClose", n);
        const auto *save = rep.Find("BM_Save", n);
        const auto *floor = rep.Find("BM_Serialise", n);
        const auto *peerSave = rep.Find("BM_SqliteSave", n);
        const auto *background = rep.Find("BM_SaveInBackground", n);
        double tracks = -1;
        for (const auto *r : {open, peerOpen, close, peerClose, save, floor, peerSave})
            if (CounterOf(r, "tracks") > 0)
                tracks = CounterOf(r, "tracks");
        const double peak = CounterOf(open, "peak_B/track");
        const double peerPeak = CounterOf(peerOpen, "peak_B/track");

        const std::string nText = std::to_string(n);
        const std::string tracksText = Number(tracks, "%.0f");
        bool first = true;
        auto row = [&](const char *op, const TCollectingReporter::TResult *ours,
                       const TCollectingReporter::TResult *peer) {
            std::printf(rowFormat, first ? nText.c_str() : "", first ? tracksText.c_str() : "", op,
                        MsText(WallOf(ours)).c_str(), MsText(CpuOf(ours)).c_str(),
                        MsText(WallOf(peer)).c_str(), MsText(CpuOf(peer)).c_str(),
                        Ratio(WallOf(ours), WallOf(peer)).c_str(),
                        Ratio(CpuOf(ours), CpuOf(peer)).c_str());
            first = false;
        };
        row("open", open, peerOpen);
        {
            const double a = CounterOf(open, "fresh_ms") / 1e3,
                         ac = CounterOf(open, "fresh_cpu_ms") / 1e3;
            const double b = CounterOf(peerOpen, "fresh_ms") / 1e3,
                         bc = CounterOf(peerOpen, "fresh_cpu_ms") / 1e3;
            std::printf(rowFormat, "", "", "open, fresh process", MsText(a).c_str(),
                        MsText(ac).c_str(), MsText(b).c_str(), MsText(bc).c_str(),
                        Ratio(a, b).c_str(), Ratio(ac, bc).c_str());
        }
        row("save", save, peerSave);
        row("close", close, peerClose);
        std::printf(rowFormat, "", "", "peak memory, B/track", Number(peak, "%.0f").c_str(), "",
                    Number(peerPeak, "%.0f").c_str(), "", Ratio(peak, peerPeak).c_str(), "");
        std::printf(rowFormat, "", "", "serialise+write+fsync", MsText(WallOf(floor)).c_str(),
                    MsText(CpuOf(floor)).c_str(), "", "", "", "");
        std::printf(rowFormat, "", "", "save / serialise", "", "", "", "",
                    Ratio(WallOf(save), WallOf(floor)).c_str(),
                    Ratio(CpuOf(save), CpuOf(floor)).c_str());
        const double whole = background ? CounterOf(background, "whole_ms") / 1e3 : -1;
        const double backgroundPeak = CounterOf(background, "peak_MB");
        const double fileMB = CounterOf(background, "file_MB");
        std::printf(rowFormat, "", "", "background save, UI", MsText(WallOf(background)).c_str(),
                    MsText(CpuOf(background)).c_str(), "", "", "", "");
        std::printf(rowFormat, "", "", "  the whole save", MsText(whole).c_str(), "", "", "",
                    Ratio(WallOf(background), whole).c_str(), "");
        std::printf(rowFormat, "", "", "  peak MB, file MB", Number(backgroundPeak, "%.0f").c_str(),
                    "", Number(fileMB, "%.0f").c_str(), "", Ratio(backgroundPeak, fileMB).c_str(),
                    "");

        verdict(0, n,
                WallOf(peerOpen) > 0 && WallOf(open) >= 0 ? WallOf(open) / WallOf(peerOpen) : -1,
                0.20, "  %lld: %.2f %s");
        verdict(1, n, CpuOf(peerOpen) > 0 && CpuOf(open) >= 0 ? CpuOf(open) / CpuOf(peerOpen) : -1,
                0.20, "  %lld: %.2f %s");
        const double freshOurs = CounterOf(open, "fresh_ms"),
                     freshPeer = CounterOf(peerOpen, "fresh_ms");
        verdict(2, n, freshPeer > 0 && freshOurs >= 0 ? freshOurs / freshPeer : -1, 0.20,
                "  %lld: %.2f %s");
        verdict(3, n, WallOf(floor) > 0 && WallOf(save) >= 0 ? WallOf(save) / WallOf(floor) : -1,
                1.50, "  %lld: %.2f %s");
        verdict(4, n, WallOf(close) < 0 ? -1 : WallOf(close) * 1e3, 150.0, "  %lld: %.1f ms %s");
        verdict(5, n, peak, 400.0, "  %lld: %.0f B %s");
        targets.Verdict(6, n,
                        whole > 0 && WallOf(background) >= 0 ? WallOf(background) / whole : -1,
                        TTargets::Below, 1.0 / 3, "  %lld: %.2f %s");
        verdict(7, n, backgroundPeak > 0 && fileMB > 0 ? backgroundPeak / fileMB : -1, 1.2,
                "  %lld: %.2f %s");

        // What each further track costs, without the fixed part of a load.
        const double peakBytes = CounterOf(open, "peak_MB") * 1e6;
        if (peakBytes > 0 && lastPeak > 0 && tracks > lastTracks) {
            marginal += "  " + std::to_string(n) + ": " +
                        Number((peakBytes - lastPeak) / (tracks - lastTracks), "%.0f") + " B";
        }
        if (peakBytes > 0) {
            lastPeak = peakBytes;
            lastTracks = tracks;
        }
    }
    targets.Print(38);
    if (!marginal.empty())
        std::printf("  %-38s%s\n", "(peak per track added since the size before)",
                    marginal.c_str());
    std::fflush(stdout);
}

} // namespace

int main(int argc, char **argv)
{
    if (argc > 1 && std::strcmp(argv[1], kFreshLoadFlag) == 0)
        return freshLoadChild(argc, argv);

    return RunBenchmarkProgram<QCoreApplication>(argc, argv, printSummary);
}
