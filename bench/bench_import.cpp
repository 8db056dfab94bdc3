// The import of delimited text: our own export of all tracks of a generated collection
// (every field a track shows, with the names; 100,000 albums give about 1.24 million
// rows) imported by `qel import csv` into a new collection, as a whole process, next to
// two peers reading the same file in the same run: Python's csv module and the sqlite3
// shell's .import into a table in memory. Warm cache: every program runs once before the
// timed rounds, which take turns; the median of the rounds counts. The peak resident
// memory of each process comes from the kernel (wait4).
//
// Then the import, and reading the collection it made, each in a fresh process of its
// own: the collection's own memory (resident after the step, less before) and what the
// import holds at its peak beyond that.
//
// Usage: bench_import [ALBUMS]   (default 100000; ROUNDS in the environment, default 3)

#include "benchdata.h"

#include "exchange/delimitedimport.h"
#include "exchange/export.h"
#include "model/general.h"
#include "model/qeldb.h"
#include "views/listfields.h"

#include <QCoreApplication>
#include <QDir>
#include <QFile>
#include <QFileInfo>

#include <algorithm>
#include <array>
#include <cstdio>
#include <cstdlib>
#include <fcntl.h>
#include <spawn.h>
#include <string>
#include <sys/resource.h>
#include <sys/wait.h>
#include <unistd.h>
#include <vector>

extern char **environ;

using namespace bench;

namespace {

class TQuietInterface : public TUserInterface
{
public:
    void ShowInfo(const QString &) override {}
    TAnswer AskYesNo(const QString &) override { return TAnswer::Yes; }
    TAnswer AskOkCancel(const QString &) override { return TAnswer::Ok; }
};

struct TRun
{
    double seconds = -1; // negative: the program failed
    double peakMb = -1;  // negative: not measured
};

// GNU time reports the peak of its own child, which it starts from a small process: the
// kernel's figure for a child of this (large) process would include this one's pages.
const char *const kTime = "/usr/bin/time";

// Runs argv with its output into out; the wall time and the peak resident memory.
TRun run(const std::vector<std::string> &program, int out)
{
    const QString peakFile = WorkFile(QStringLiteral("peak.txt"));
    const bool timed = ::access(kTime, X_OK) == 0;
    std::vector<std::string> argv;
    if (timed)
        argv = {kTime, "-f", "%M", "-o", QFile::encodeName(peakFile).toStdString()};
    argv.insert(argv.end(), program.begin(), program.end());
    std::vector<char *> args;
    for (const std::string &a : argv)
        args.push_back(const_cast<char *>(a.c_str()));
    args.push_back(nullptr);
    posix_spawn_file_actions_t actions;
    posix_spawn_file_actions_init(&actions);
    posix_spawn_file_actions_adddup2(&actions, out, 1);
    const auto start = Clock::now();
    pid_t pid = 0;
    const int spawned = posix_spawnp(&pid, args[0], &actions, nullptr, args.data(), environ);
    posix_spawn_file_actions_destroy(&actions);
    TRun r;
    if (spawned != 0)
        return r;
    int status = 0;
    ::waitpid(pid, &status, 0);
    const double s = SecondsSince(start);
    if (WIFEXITED(status) && WEXITSTATUS(status) == 0)
        r.seconds = s;
    if (timed) {
        QFile peak(peakFile);
        if (peak.open(QIODevice::ReadOnly))
            r.peakMb = peak.readAll().trimmed().split('\n').last().toDouble() / 1024.0;
    }
    return r;
}

// The last line the program prints, to show that all read the same rows.
std::string lastLine(const std::vector<std::string> &argv)
{
    FILE *tmp = std::tmpfile();
    if (!tmp || run(argv, fileno(tmp)).seconds < 0)
        return "(failed)";
    std::fflush(tmp);
    std::string all;
    char buf[65536];
    std::rewind(tmp);
    for (size_t n; (n = std::fread(buf, 1, sizeof buf, tmp)) > 0;)
        all.append(buf, n);
    std::fclose(tmp);
    while (!all.empty() && all.back() == '\n')
        all.pop_back();
    return all.substr(all.rfind('\n') + 1);
}

double median(std::vector<double> v)
{
    std::sort(v.begin(), v.end());
    return v.empty() ? -1 : v[v.size() / 2];
}

// Every field a track shows, as "Export to ASCII" of all tracks writes them with their
// names: comma and double quote, as Python's csv module and sqlite3 read by default.
qint64 writeExport(const TQelDb &db, const QString &file)
{
    TShowFields columns(ilTrack);
    for (TFieldId f = 1; f <= fdLast; ++f)
        if (FieldOfLevel(ilTrack, f) && f != fdLyrics)
            columns.Add(std::make_unique<TShowField>(f));
    TExportAscii e;
    e.ItemList = &db.Albums;
    e.ListLevel = ilAlbum;
    e.ExportLevel = ilTrack;
    e.ShowFields = &columns;
    e.FileName = file;
    e.IncludeFieldNames = true;
    if (!e.Execute())
        Fail("the export failed");
    return e.ExportedCount;
}

std::string text(const QString &s)
{
    return QFile::encodeName(s).toStdString();
}

// In a process of its own, so that nothing freed before is reused: the resident memory
// a step adds, and its peak above that. "import CSV" runs the import (no save), "load
// QEL" reads a collection file.
int measureStep(const char *step, const char *file)
{
    TQuietInterface quiet;
    SetUserInterface(&quiet);
    const QString path = QFile::decodeName(file);
    TQelDb db;
    ResetPeakResident();
    const qint64 before = ProcStatusKb("VmRSS:");
    const auto start = Clock::now();
    if (qstrcmp(step, "import") == 0) {
        TDelimitedImport import(nullptr, db, path);
        import.UseWindow = false;
        if (!import.Run())
            return 1;
    } else {
        db.ReadFile(path, false);
    }
    const double seconds = SecondsSince(start);
    const qint64 after = ProcStatusKb("VmRSS:");
    std::printf("%.0f %.1f %.1f\n", seconds * 1000, double(after - before) / 1024.0,
                double(ProcStatusKb("VmHWM:") - after) / 1024.0);
    SetUserInterface(nullptr);
    return 0;
}

// The path of the Python interpreter itself, not of a wrapper script that starts it.
std::string pythonPath()
{
    FILE *p = ::popen("python3 -c 'import sys; print(sys.executable)'", "r");
    char buf[4096] = {};
    const bool read = p && std::fgets(buf, sizeof buf, p);
    if (p)
        ::pclose(p);
    std::string path = read ? buf : "python3";
    while (!path.empty() && (path.back() == '\n' || path.back() == ' '))
        path.pop_back();
    return path.empty() ? "python3" : path;
}

} // namespace

int main(int argc, char **argv)
{
    QCoreApplication app(argc, argv);
    if (argc == 4 && qstrcmp(argv[1], "--step") == 0)
        return measureStep(argv[2], argv[3]);
    int albums = 100000;
    if (argc > 1 && QByteArray(argv[1]).toInt() > 0)
        albums = QByteArray(argv[1]).toInt();
    const char *roundsText = std::getenv("ROUNDS");
    const int rounds = std::max(1, roundsText ? std::atoi(roundsText) : 3);
    TQuietInterface quiet;
    SetUserInterface(&quiet);
    // The tool's settings, data and backups stay in the bench's folder.
    QDir().mkpath(WorkFile(QStringLiteral("home")));
    qputenv("XDG_DATA_HOME", QFile::encodeName(WorkFile(QStringLiteral("home"))));
    qputenv("XDG_CONFIG_HOME", QFile::encodeName(WorkFile(QStringLiteral("home"))));

    const QString csv = WorkFile(QStringLiteral("tracks-%1.csv").arg(albums));
    const QString imported = WorkFile(QStringLiteral("imported-%1.qel").arg(albums));
    const QString empty = WorkFile(QStringLiteral("empty.qel"));
    qint64 rows = 0;
    {
        TQelDb db;
        db.ReadFile(Collection(albums).qelPath, false);
        rows = writeExport(db, csv);
        TQelDb().Save(empty);
    }
    std::printf("%d albums: the export of all tracks has %lld rows, %.1f MB\n\n", albums,
                static_cast<long long>(rows), double(QFileInfo(csv).size()) / 1e6);

    const std::string qel = QEL_CLI_PATH;
    struct TProgram
    {
        const char *label;
        std::vector<std::string> argv;
        bool removeImported;
        std::vector<double> seconds, peaks;
    };
    std::vector<TProgram> programs{
        {"qel import csv (new collection, saved)",
         {qel, "import", "csv", text(imported), text(csv)},
         true,
         {},
         {}},
        {"python3 csv.reader (rows counted)",
         {pythonPath(), "-c",
          "import csv, sys\nn = 0\nwith open(sys.argv[1], newline='', encoding='utf-8') as f:\n"
          "    for row in csv.reader(f):\n        n += 1\nprint(n - 1)\n",
          text(csv)},
         false,
         {},
         {}},
        {"sqlite3 .import --csv (in memory)",
         {"sqlite3", ":memory:", "-cmd", ".import --csv " + text(csv) + " t",
          "select count(*) from t;"},
         false,
         {},
         {}},
        {"qel info of the imported collection", {qel, "info", text(imported)}, false, {}, {}},
        {"qel info of an empty collection", {qel, "info", text(empty)}, false, {}, {}},
    };
    // Each program's answer, which also warms the cache.
    for (TProgram &p : programs) {
        if (p.removeImported)
            QFile::remove(imported);
        std::printf("%-42s %s\n", p.label, lastLine(p.argv).c_str());
    }

    const int null = ::open("/dev/null", O_WRONLY | O_CLOEXEC);
    for (int round = 0; round < rounds; ++round)
        for (TProgram &p : programs) {
            if (p.removeImported)
                QFile::remove(imported);
            const TRun r = run(p.argv, null);
            if (r.seconds < 0) {
                std::fprintf(stderr, "bench_import: \"%s\" failed\n", p.label);
                return 1;
            }
            p.seconds.push_back(r.seconds);
            p.peaks.push_back(r.peakMb);
        }
    ::close(null);

    std::printf("\nwhole processes, warm cache, median of %d rounds\n", rounds);
    std::printf("%-42s %10s %10s %12s\n", "", "ms", "best ms", "peak RSS MB");
    for (const TProgram &p : programs)
        std::printf("%-42s %10.0f %10.0f %12.1f\n", p.label, median(p.seconds) * 1000,
                    *std::min_element(p.seconds.begin(), p.seconds.end()) * 1000, median(p.peaks));
    const double ours = median(programs[0].seconds);
    const double python = median(programs[1].seconds);
    const double sqlite = median(programs[2].seconds);
    const double importPeak = median(programs[0].peaks);
    const double loadPeak = median(programs[3].peaks);
    const double basePeak = median(programs[4].peaks);

    // Each step in a fresh process: the import, and reading the collection it made.
    const std::string self =
        QFile::encodeName(QCoreApplication::applicationFilePath()).toStdString();
    const auto step = [&](const char *name, const QString &file) {
        double ms = -1, added = -1, above = -1;
        const std::string line = lastLine({self, "--step", name, text(file)});
        if (std::sscanf(line.c_str(), "%lf %lf %lf", &ms, &added, &above) != 3)
            Fail(std::string("the step failed: ") + name);
        return std::array<double, 3>{ms, added, above};
    };
    const std::array<double, 3> import = step("import", csv);
    const std::array<double, 3> load = step("load", imported);
    std::printf("\nin a process of its own: the import (no save) %.0f ms, the collection it "
                "built %.1f MB resident, its peak %.1f MB above that; reading that collection "
                "from its file %.0f ms, %.1f MB\n",
                import[0], import[1], import[2], load[0], load[1]);

    const auto verdict = [](bool ok) { return ok ? "ok" : "MISSED"; };
    std::printf("\ntargets\n");
    std::printf("  qel import csv at least as fast as python3 csv.reader: %.2fx its time  %s\n",
                ours / python, verdict(ours <= python));
    std::printf("  qel import csv at least as fast as sqlite3 .import:    %.2fx its time  %s\n",
                ours / sqlite, verdict(ours <= sqlite));
    std::printf("  the import holds no more than the collection's own memory beyond it:\n"
                "    %.1f MB at its peak beyond the %.1f MB of the collection  %s\n",
                import[2], import[1], verdict(import[2] <= import[1]));
    if (importPeak >= 0)
        std::printf("  (whole processes above an empty collection's: the import's peak %.1f MB, "
                    "reading the imported collection %.1f MB)\n",
                    importPeak - basePeak, loadPeak - basePeak);
    SetUserInterface(nullptr);
    return 0;
}
