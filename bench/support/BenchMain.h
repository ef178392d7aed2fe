// What every benchmark program shares: its repetitions, a smoke mode, and the
// exit status that tells a broken benchmark from a slow one.
//
// VAD_BENCH_SMOKE=1 runs each benchmark once, briefly: enough to show that
// every benchmark still runs and prints its ratios, whose figures then mean
// nothing. Ratios over their goals never change the exit status; runs that
// are missing or failed do.
#pragma once

#include <benchmark/benchmark.h>

#include <cstdlib>
#include <cstring>
#include <string>
#include <vector>

namespace bench
{

inline bool Smoke()
{
    const char *smoke = std::getenv("VAD_BENCH_SMOKE");
    return smoke && *smoke && std::strcmp(smoke, "0") != 0;
}

// For the registrations: repetitions and minimum time, cut short in smoke mode.
inline int Repetitions(int n)
{
    return Smoke() ? 1 : n;
}
inline double MinTime(double seconds)
{
    return Smoke() ? 0.01 : seconds;
}

// Initializes Google Benchmark with `repetitions` repetitions of every
// benchmark (one short one in smoke mode); flags on the command line win.
// Returns false for arguments it does not know.
inline bool Initialize(int argc, char **argv, int repetitions)
{
    static std::vector<std::string> extra;
    static std::vector<char *> args;
    extra = {"--benchmark_repetitions=" + std::to_string(Smoke() ? 1 : repetitions)};
    if (Smoke())
        extra.push_back("--benchmark_min_time=0.01");
    args.assign(argv, argv + argc);
    for (size_t i = 0; i < extra.size(); ++i)
        args.insert(args.begin() + 1 + long(i), extra[i].data());
    int count = int(args.size());
    benchmark::Initialize(&count, args.data());
    return !benchmark::ReportUnrecognizedArguments(count, args.data());
}

} // namespace bench
