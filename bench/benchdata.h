#pragma once

// The collections the benchmarks run on: generated once per size on first use into a
// temporary folder and kept for the whole run, so every benchmark of a size sees the
// same data. QEL_BENCH_DIR picks another parent folder; QEL_BENCH_KEEP=1 leaves the
// folder in place.

#include <QString>

#include <chrono>
#include <string>

class TQelDb;

namespace bench {

constexpr int kSeed = 7;

using Clock = std::chrono::steady_clock;

double SecondsSince(Clock::time_point start);
// CPU time of the calling thread: less disturbed by other load than the wall clock.
double ThreadCpuSeconds();

[[noreturn]] void Fail(const std::string &what);

// A value of /proc/self/status in kB ("VmRSS:", "VmHWM:"), -1 when it cannot be read.
qint64 ProcStatusKb(const char *key);
// Starts the high-water mark of resident memory afresh at what is resident now, so the
// next "VmHWM:" shows the peak of what happened in between.
void ResetPeakResident();
std::string Utf8(const QString &s);

// Tracks (not headers or subtracks) of a database.
qint64 CountTracks(const TQelDb &db);

struct TCollection
{
    QString qelPath;
    QString sqlitePath; // empty until the peer is built (see sqlitepeer.h)
    qint64 tracks = 0;
    qint64 qelBytes = 0;
    qint64 sqliteBytes = 0;
};

QString WorkDir();
QString WorkFile(const QString &name);
// Removes a file and the journal SQLite may have left beside it.
void RemoveFile(const QString &path);

// The collection of this many albums, generated on first use.
TCollection &Collection(int albums);

} // namespace bench
