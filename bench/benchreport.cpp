#include "benchreport.h"

#include <algorithm>
#include <cstdio>
#include <cstdlib>

namespace bench {

void TTimed::Report(const TCollection &c)
{
    m_state.counters["cpu_ms"] =
        benchmark::Counter(m_cpu * 1e3, benchmark::Counter::kAvgIterations);
    m_state.counters["tracks"] = double(c.tracks);
}

void Sizes(benchmark::internal::Benchmark *b)
{
    b->Arg(1000)->Arg(10000)->Arg(100000)->UseManualTime()->Unit(benchmark::kMillisecond);
}

void TCollectingReporter::ReportRuns(const std::vector<Run> &reports)
{
    std::vector<Run> shown;
    for (const Run &run : reports) {
        if (run.run_type == Run::RT_Aggregate) {
            if (run.aggregate_name == "median")
                shown.push_back(run);
            continue;
        }
        if (run.error_occurred || run.repetitions <= 1)
            shown.push_back(run);
        if (run.error_occurred || run.iterations <= 0)
            continue;
        TResult &r = results[{run.run_name.function_name, std::atoll(run.run_name.args.c_str())}];
        r.wall.push_back(run.real_accumulated_time / double(run.iterations));
        for (const auto &[name, counter] : run.counters)
            r.counters[name] = counter.value;
        r.cpu.push_back(r.counters.count("cpu_ms") ? r.counters["cpu_ms"] / 1e3 : -1);
    }
    if (!shown.empty())
        ConsoleReporter::ReportRuns(shown);
}

const TCollectingReporter::TResult *TCollectingReporter::Find(const std::string &name,
                                                              long long n) const
{
    const auto it = results.find({name, n});
    return it == results.end() ? nullptr : &it->second;
}

TTargets::TTargets(std::vector<std::string> names)
{
    for (std::string &name : names)
        m_lines.emplace_back(std::move(name), std::string());
}

void TTargets::Verdict(std::size_t i, long long n, double value, TBound bound, double limit,
                       const char *format)
{
    if (value < 0)
        return;
    const bool met = bound == AtMost ? value <= limit : value < limit;
    char buf[96];
    std::snprintf(buf, sizeof buf, format, n, value, met ? "ok" : "MISSED");
    m_lines.at(i).second += buf;
}

void TTargets::Print(int width) const
{
    std::printf("\nTargets\n");
    for (const auto &[name, verdicts] : m_lines)
        std::printf("  %-*s%s\n", width, name.c_str(),
                    verdicts.empty() ? "  (not measured)" : verdicts.c_str());
}

std::set<long long> SizesSeen(const TCollectingReporter &rep)
{
    std::set<long long> sizes;
    for (const auto &entry : rep.results)
        sizes.insert(entry.first.second);
    return sizes;
}

double Median(std::vector<double> v)
{
    if (v.empty())
        return -1;
    std::sort(v.begin(), v.end());
    const std::size_t h = v.size() / 2;
    return v.size() % 2 ? v[h] : (v[h - 1] + v[h]) / 2;
}

double WallOf(const TCollectingReporter::TResult *r)
{
    return r ? Median(r->wall) : -1;
}

double CpuOf(const TCollectingReporter::TResult *r)
{
    return r ? Median(r->cpu) : -1;
}

double CounterOf(const TCollectingReporter::TResult *r, const char *name)
{
    if (!r)
        return -1;
    const auto it = r->counters.find(name);
    return it == r->counters.end() ? -1 : it->second;
}

std::string Number(double v, const char *format)
{
    char buf[48];
    if (v < 0)
        return "-";
    std::snprintf(buf, sizeof buf, format, v);
    return buf;
}

std::string MsText(double seconds)
{
    return Number(seconds < 0 ? -1 : seconds * 1e3, "%.1f");
}

std::string Ratio(double a, double b)
{
    return a < 0 || b <= 0 ? "-" : Number(a / b, "%.2f");
}

bool InitBenchmarks(std::vector<char *> &args, int &count)
{
    // Inserted first, so that a repetitions flag given on the command line wins.
    static char repetitions[] = "--benchmark_repetitions=3";
    args.insert(args.begin() + 1, repetitions);
    count = int(args.size());
    args.push_back(nullptr);
    benchmark::Initialize(&count, args.data());
    return !benchmark::ReportUnrecognizedArguments(count, args.data());
}

} // namespace bench
