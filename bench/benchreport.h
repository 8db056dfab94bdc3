#pragma once

// Timing the benchmarks and collecting their results for the summary table each
// program prints after the console output.

#include "benchdata.h"

#include <benchmark/benchmark.h>

#include <exception>
#include <functional>
#include <map>
#include <set>
#include <string>
#include <utility>
#include <vector>

namespace bench {

// Times only the operation given (manual time, wall clock) and also counts the
// thread's CPU time; setup and undoing the operation happen between the timed parts.
class TTimed
{
public:
    explicit TTimed(benchmark::State &state) : m_state(state) {}
    template <class Op> void operator()(Op op)
    {
        const double cpu = ThreadCpuSeconds();
        const auto start = Clock::now();
        op();
        m_state.SetIterationTime(SecondsSince(start));
        m_cpu += ThreadCpuSeconds() - cpu;
    }
    void Report(const TCollection &c);

private:
    benchmark::State &m_state;
    double m_cpu = 0;
};

// Runs a benchmark's body; an exception skips the benchmark with its message.
template <class Body> void Guarded(benchmark::State &state, Body body)
{
    try {
        body();
    } catch (const std::exception &e) {
        state.SkipWithError(e.what());
    }
}

// 1,000, 10,000 and 100,000 albums, manual time in milliseconds.
void Sizes(benchmark::internal::Benchmark *b);

// Keeps every repetition's numbers and shows the console one line per benchmark (the
// median when there are several repetitions).
class TCollectingReporter : public benchmark::ConsoleReporter
{
public:
    struct TResult
    {
        std::vector<double> wall; // seconds per iteration, one entry per repetition
        std::vector<double> cpu;
        std::map<std::string, double> counters;
    };

    void ReportRuns(const std::vector<Run> &reports) override;
    const TResult *Find(const std::string &name, long long n) const;

    std::map<std::pair<std::string, long long>, TResult> results;
};

// The targets under a summary table, each followed by its verdict for every size.
class TTargets
{
public:
    enum TBound { AtMost, Below };

    explicit TTargets(std::vector<std::string> names);
    // The verdict on target i for n albums: format gets n, the value and "ok" or
    // "MISSED". A negative value was not measured and adds nothing.
    void Verdict(std::size_t i, long long n, double value, TBound bound, double limit,
                 const char *format);
    // The targets under a heading, names padded to width.
    void Print(int width) const;

private:
    std::vector<std::pair<std::string, std::string>> m_lines; // name, verdicts
};

// The sizes (numbers of albums) with results.
std::set<long long> SizesSeen(const TCollectingReporter &rep);

double Median(std::vector<double> v);
// Medians of the repetitions, -1 when not measured.
double WallOf(const TCollectingReporter::TResult *r);
double CpuOf(const TCollectingReporter::TResult *r);
double CounterOf(const TCollectingReporter::TResult *r, const char *name);

// Texts for the table; "-" for a value not measured (negative).
std::string Number(double v, const char *format);
std::string MsText(double seconds);
std::string Ratio(double a, double b);

// Initialises the benchmark library with three repetitions unless the arguments ask
// otherwise. args holds the program's arguments and keeps those left for the
// program, count their number (args ends with a null pointer); false (after a
// message) on an argument the library does not know.
bool InitBenchmarks(std::vector<char *> &args, int &count);

// The main of a benchmark program: the arguments to the library, the Qt application App
// (QCoreApplication, or QApplication for widgets), beforeRun (benchmarks that depend on
// the environment), the benchmarks through the collecting reporter, then summary.
template <class App>
int RunBenchmarkProgram(int argc, char **argv, void (*summary)(const TCollectingReporter &),
                        const std::function<void()> &beforeRun = {})
{
    std::vector<char *> args(argv, argv + argc);
    int count = 0;
    if (!InitBenchmarks(args, count))
        return 1;
    App app(count, args.data());
    if (beforeRun)
        beforeRun();
    TCollectingReporter reporter;
    benchmark::RunSpecifiedBenchmarks(&reporter);
    summary(reporter);
    benchmark::Shutdown();
    return 0;
}

} // namespace bench
