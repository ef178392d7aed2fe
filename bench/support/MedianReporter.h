// Console reporter that also keeps one value per repetition under a key the
// program picks for each run, so that the program can print medians and the
// ratios it is judged by once all runs are done.
#pragma once

#include <benchmark/benchmark.h>

#include <algorithm>
#include <cstdio>
#include <functional>
#include <map>
#include <optional>
#include <string>
#include <utility>
#include <vector>

namespace bench
{

using Run = benchmark::BenchmarkReporter::Run;

// A repetition that was timed: no aggregate, no error, at least one iteration.
inline bool IsTimedIteration(const Run &run)
{
    return run.run_type == Run::RT_Iteration && !run.error_occurred && run.iterations != 0;
}

// Median of the values (mean of the middle two for an even count); 0 for none.
inline double Median(std::vector<double> values)
{
    if (values.empty())
        return 0;
    std::sort(values.begin(), values.end());
    const size_t n = values.size();
    return n % 2 ? values[n / 2] : (values[n / 2 - 1] + values[n / 2]) / 2;
}

// Prints "<what> = x (goal <= y) ok", or OVER when the ratio exceeds the goal.
inline void PrintRatio(const char *what, double ratio, double limit)
{
    std::printf("%s = %.3g (goal <= %.1f) %s\n", what, ratio, limit, ratio <= limit ? "ok" : "OVER");
}

template <typename Key> class MedianReporter : public benchmark::ConsoleReporter
{
  public:
    // Gives the key and value of a run worth keeping, nothing for any other.
    using Sample = std::function<std::optional<std::pair<Key, double>>(const Run &)>;

    explicit MedianReporter(Sample sample) : m_sample(std::move(sample)) {}

    void ReportRuns(const std::vector<Run> &runs) override
    {
        ConsoleReporter::ReportRuns(runs);
        for (const Run &run : runs)
            if (auto kept = m_sample(run))
                m_values[kept->first].push_back(kept->second);
    }

    const std::map<Key, std::vector<double>> &values() const { return m_values; }
    bool has(const Key &key) const { return m_values.count(key) != 0; }
    double median(const Key &key) const
    {
        const auto it = m_values.find(key);
        return it == m_values.end() ? 0 : Median(it->second);
    }

  private:
    Sample m_sample;
    std::map<Key, std::vector<double>> m_values;
};

// Microseconds per operation of each repetition, by benchmark and its
// "columns" counter.
using ColumnsKey = std::pair<std::string, long>;
inline MedianReporter<ColumnsKey> ColumnsReporter()
{
    return MedianReporter<ColumnsKey>([](const Run &run) -> std::optional<std::pair<ColumnsKey, double>> {
        const auto cols = run.counters.find("columns");
        if (!IsTimedIteration(run) || cols == run.counters.end())
            return {};
        return {{{run.run_name.function_name, long(cols->second.value)},
                 run.real_accumulated_time / double(run.iterations) * 1e6}};
    });
}

// One line per benchmark of a ColumnsReporter: its median at each number of
// columns; `each` names the operation ("per keystroke").
inline void PrintColumnsMedians(const MedianReporter<ColumnsKey> &reporter, const char *each)
{
    std::printf("\n");
    const auto &values = reporter.values();
    for (auto it = values.begin(); it != values.end();) {
        const std::string name = it->first.first;
        std::printf("%s, median %s:", name.c_str(), each);
        for (; it != values.end() && it->first.first == name; ++it)
            std::printf("  %ld columns %.1f us", it->first.second, Median(it->second));
        std::printf("\n");
    }
}

} // namespace bench
