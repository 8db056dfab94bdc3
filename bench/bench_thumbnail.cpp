// Cover pictures: the album's 32 by 32 thumbnail made from a large JPEG, and the
// picture read at full size for the album editor, side by side with the plain way
// through Qt (QImageReader, then a smooth scale for the thumbnail).
//
// The pictures are generated once into the work folder of benchdata.h: gradients with
// noise of two strengths, saved at quality 90. The noisy one (about 2.2 MB) is the
// worst case, where decoding the file's coefficients is most of the work at any
// scale; the quieter one (about 0.7 MB) is closer to a scanned sleeve. The benchmark
// argument is the noise amplitude.

#include "benchdata.h"
#include "benchreport.h"

#include "services/coverimage.h"

#include <QCoreApplication>
#include <QFileInfo>
#include <QImage>
#include <QImageReader>
#include <QImageWriter>

#include <benchmark/benchmark.h>

#include <algorithm>
#include <cstdio>
#include <random>
#include <vector>

using namespace bench;

namespace {

constexpr int kSide = 3000;
constexpr int kNoisy = 12;
constexpr int kQuiet = 3;
constexpr double kTargetRatio = 5.0;

QString makeCover(int side, int amplitude)
{
    QImage image(side, side, QImage::Format_RGB32);
    std::mt19937 random(kSeed);
    std::uniform_int_distribution<int> noise(-amplitude, amplitude);
    for (int y = 0; y < side; ++y) {
        auto *line = reinterpret_cast<QRgb *>(image.scanLine(y));
        for (int x = 0; x < side; ++x) {
            const int r = 40 + 170 * x / side + noise(random);
            const int g = 60 + 120 * y / side + noise(random);
            const int b = 200 - 150 * (x + y) / (2 * side) + noise(random);
            line[x] = qRgb(std::clamp(r, 0, 255), std::clamp(g, 0, 255), std::clamp(b, 0, 255));
        }
    }
    const QString file = WorkFile(QStringLiteral("cover-%1-%2.jpg").arg(side).arg(amplitude));
    QImageWriter writer(file, "jpg");
    writer.setQuality(90);
    if (!writer.write(image))
        Fail("cannot write " + Utf8(file));
    std::fprintf(stderr, "[generated a %dx%d JPEG of %.1f MB]\n", side, side,
                 double(QFileInfo(file).size()) / 1e6);
    return file;
}

const QString &coverPath(int amplitude)
{
    static const QString noisy = makeCover(kSide, kNoisy);
    static const QString quiet = makeCover(kSide, kQuiet);
    return amplitude == kNoisy ? noisy : quiet;
}

// Times op per iteration (manual time, wall clock) and counts the thread's CPU time;
// op returns the picture made, which must not be null.
template <class Op> void run(benchmark::State &state, Op op)
{
    Guarded(state, [&] {
        const QString &path = coverPath(int(state.range(0)));
        double cpu = 0;
        for (auto _ : state) {
            const double cpuStart = ThreadCpuSeconds();
            const auto start = Clock::now();
            const QImage image = op(path);
            state.SetIterationTime(SecondsSince(start));
            cpu += ThreadCpuSeconds() - cpuStart;
            if (image.isNull())
                Fail("no picture made");
        }
        state.counters["cpu_ms"] =
            benchmark::Counter(cpu * 1e3, benchmark::Counter::kAvgIterations);
    });
}

void BM_Thumbnail(benchmark::State &state)
{
    run(state, [](const QString &path) { return MakeCoverThumbnail(path); });
}

void BM_QtThumbnail(benchmark::State &state)
{
    run(state, [](const QString &path) {
        return QImageReader(path).read().scaled(32, 32, Qt::IgnoreAspectRatio,
                                                Qt::SmoothTransformation);
    });
}

void BM_FullPicture(benchmark::State &state)
{
    run(state, [](const QString &path) { return LoadCoverPicture(path).image; });
}

void BM_QtFullPicture(benchmark::State &state)
{
    run(state, [](const QString &path) { return QImageReader(path).read(); });
}

void sides(benchmark::internal::Benchmark *b)
{
    b->Arg(kNoisy)->Arg(kQuiet)->UseManualTime()->Unit(benchmark::kMillisecond);
}

BENCHMARK(BM_Thumbnail)->Apply(sides);
BENCHMARK(BM_QtThumbnail)->Apply(sides);
BENCHMARK(BM_FullPicture)->Apply(sides);
BENCHMARK(BM_QtFullPicture)->Apply(sides);

void printSummary(const TCollectingReporter &rep)
{
    std::printf("\nCover pictures against Qt (QImageReader): milliseconds per picture, median of\n"
                "the repetitions; wall clock and the thread's CPU time (warm file cache).\n\n");
    const char *rowFormat = "%-24s %10s %10s %10s %10s %9s %9s\n";
    std::printf(rowFormat, "operation", "Qel", "Qel cpu", "Qt", "Qt cpu", "Qt/Qel", "cpu");
    auto row = [&](const char *op, const char *ours, const char *peer, int amplitude) {
        const auto *a = rep.Find(ours, amplitude);
        const auto *b = rep.Find(peer, amplitude);
        std::printf(rowFormat, op, MsText(WallOf(a)).c_str(), MsText(CpuOf(a)).c_str(),
                    MsText(WallOf(b)).c_str(), MsText(CpuOf(b)).c_str(),
                    Ratio(WallOf(b), WallOf(a)).c_str(), Ratio(CpuOf(b), CpuOf(a)).c_str());
    };
    for (int amplitude : {kNoisy, kQuiet}) {
        const char *kind = amplitude == kNoisy ? "noisy" : "quiet";
        char name[64];
        std::snprintf(name, sizeof name, "thumbnail, %s", kind);
        row(name, "BM_Thumbnail", "BM_QtThumbnail", amplitude);
        std::snprintf(name, sizeof name, "full picture, %s", kind);
        row(name, "BM_FullPicture", "BM_QtFullPicture", amplitude);
    }

    std::printf("\nTargets (%dx%d JPEG)\n", kSide, kSide);
    for (int amplitude : {kNoisy, kQuiet}) {
        const double ours = WallOf(rep.Find("BM_Thumbnail", amplitude));
        const double peer = WallOf(rep.Find("BM_QtThumbnail", amplitude));
        std::printf("  thumbnail >= 5 x faster than Qt, %-6s",
                    amplitude == kNoisy ? "noisy" : "quiet");
        if (ours > 0 && peer >= 0)
            std::printf("  %.2f %s\n", peer / ours, peer / ours >= kTargetRatio ? "ok" : "MISSED");
        else
            std::printf("  (not measured)\n");
    }
    std::fflush(stdout);
}

} // namespace

int main(int argc, char **argv)
{
    return RunBenchmarkProgram<QCoreApplication>(argc, argv, printSummary);
}
