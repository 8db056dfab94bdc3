// The backup a save takes of the collection file: a hard link, and the copy used where
// links fail, against a plain QFile::copy of the same file as the peer.

#include "benchdata.h"

#include "services/backups.h"

#include <QCoreApplication>
#include <QDir>
#include <QFile>
#include <QTemporaryDir>

#include <benchmark/benchmark.h>

using namespace bench;

namespace {

void keep(benchmark::State &state, bool copy)
{
    const TCollection &c = Collection(int(state.range(0)));
    QTemporaryDir root(WorkFile(QStringLiteral("backups-XXXXXX")));
    TBackups backups(root.path() + u'/');
    backups.ForceCopy = copy;
    int second = 0;
    for (auto _ : state) {
        // A new time each round, so every round keeps a backup; the rotation sees
        // one backup at most, as after an hour of saves.
        backups.Now = [second] {
            return QDateTime(QDate(2026, 12, 10), QTime(0, 0)).addSecs(second);
        };
        ++second;
        const auto start = Clock::now();
        const QString error = backups.Keep(c.qelPath, 100000);
        state.SetIterationTime(SecondsSince(start));
        if (!error.isEmpty())
            Fail(Utf8(error));
        for (const TBackupInfo &b : backups.List(c.qelPath))
            QFile::remove(b.path);
    }
    state.counters["MB"] = double(c.qelBytes) / 1e6;
}

void BM_BackupHardLink(benchmark::State &state)
{
    keep(state, false);
}
void BM_BackupCopy(benchmark::State &state)
{
    keep(state, true);
}

void BM_PlainCopyPeer(benchmark::State &state)
{
    const TCollection &c = Collection(int(state.range(0)));
    const QString target = WorkFile(QStringLiteral("plain-copy.qel"));
    for (auto _ : state) {
        QFile::remove(target);
        const auto start = Clock::now();
        if (!QFile::copy(c.qelPath, target))
            Fail("copy failed");
        state.SetIterationTime(SecondsSince(start));
    }
    QFile::remove(target);
}

} // namespace

BENCHMARK(BM_BackupHardLink)->Arg(100000)->UseManualTime()->Unit(benchmark::kMillisecond);
BENCHMARK(BM_BackupCopy)
    ->Arg(100000)
    ->UseManualTime()
    ->Iterations(5)
    ->Unit(benchmark::kMillisecond);
BENCHMARK(BM_PlainCopyPeer)
    ->Arg(100000)
    ->UseManualTime()
    ->Iterations(5)
    ->Unit(benchmark::kMillisecond);

int main(int argc, char **argv)
{
    QCoreApplication app(argc, argv);
    benchmark::Initialize(&argc, argv);
    benchmark::RunSpecifiedBenchmarks();
    benchmark::Shutdown();
    return 0;
}
