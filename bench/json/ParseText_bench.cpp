// ParseText cost per byte on a small and a large column format document.
// The stored documents grow with the number of columns; the cost per byte
// must not grow with them.
#include "json/JsonValue.h"

#include <benchmark/benchmark.h>

#include <algorithm>
#include <cstdio>
#include <map>
#include <string>
#include <vector>

namespace
{

// Records back to back, as the column format writer stores them.
QString ColumnFormatDocument(qsizetype targetBytes)
{
    QString text = QStringLiteral("{");
    for (int record = 1; text.size() < targetBytes - 1; ++record) {
        text += QStringLiteral("\"%1\":{\"schriftname\":\"%2\",\"schriftgroesse\":\"%3\",\"farbe\":\"#%4\","
                               "\"fett\":\"%5\",\"ausrichtung\":\"%6\",\"anzahlzeichen\":\"%7\"}")
                    .arg(record)
                    .arg(record % 3 ? QStringLiteral("Arial") : QStringLiteral("Tahoma"))
                    .arg(10 + record % 30)
                    .arg(record * 2654435761u % 0xFFFFFF, 6, 16, QLatin1Char('0'))
                    .arg(record % 2 ? QStringLiteral("true") : QStringLiteral("false"))
                    .arg(record % 3 == 0 ? QStringLiteral("links") : QStringLiteral("rechts"))
                    .arg(record % 40);
    }
    text += u'}';
    return text;
}

void BM_ParseText(benchmark::State &state)
{
    const QString text = ColumnFormatDocument(state.range(0));
    if (!ParseText(text)) {
        state.SkipWithError("document did not parse");
        return;
    }
    for (auto _ : state) {
        auto root = ParseText(text);
        benchmark::DoNotOptimize(root.get());
    }
    state.SetBytesProcessed(state.iterations() * text.size());
    state.counters["doc_chars"] = double(text.size());
    // Nanoseconds of CPU time per character (benchmark prints it with an "s").
    state.counters["ns_per_char"] =
        benchmark::Counter(double(text.size()) * 1e-9,
                           benchmark::Counter::kIsIterationInvariantRate | benchmark::Counter::kInvert);
}
BENCHMARK(BM_ParseText)->Arg(1 << 10)->Arg(1 << 20)->Repetitions(7)->Unit(benchmark::kMicrosecond);

// Collects the cost per character of every repetition to print the ratio of medians.
class RatioReporter : public benchmark::ConsoleReporter
{
  public:
    void ReportRuns(const std::vector<Run> &runs) override
    {
        ConsoleReporter::ReportRuns(runs);
        for (const Run &run : runs) {
            if (run.run_type != Run::RT_Iteration || run.error_occurred || run.iterations == 0)
                continue;
            const auto chars = run.counters.find("doc_chars");
            if (chars == run.counters.end())
                continue;
            // CPU time: the machine is shared, wall time carries other people's load.
            const double perIteration = run.cpu_accumulated_time / double(run.iterations);
            m_nsPerChar[long(chars->second.value)].push_back(perIteration * 1e9 / chars->second.value);
        }
    }

    void PrintRatio() const
    {
        if (m_nsPerChar.size() != 2) {
            std::printf("ratio: need both document sizes\n");
            return;
        }
        const auto small = m_nsPerChar.begin();
        const auto large = std::prev(m_nsPerChar.end());
        const double a = Median(small->second);
        const double b = Median(large->second);
        std::printf("\nParseText median CPU cost per character: %ld chars %.3f ns, %ld chars %.3f ns\n",
                    small->first, a, large->first, b);
        std::printf("ratio 1MB/1KB = %.2f (limit 1.5)\n", b / a);
    }

  private:
    static double Median(std::vector<double> v)
    {
        std::sort(v.begin(), v.end());
        const size_t n = v.size();
        return n % 2 ? v[n / 2] : (v[n / 2 - 1] + v[n / 2]) / 2;
    }

    std::map<long, std::vector<double>> m_nsPerChar;
};

} // namespace

int main(int argc, char **argv)
{
    benchmark::Initialize(&argc, argv);
    if (benchmark::ReportUnrecognizedArguments(argc, argv))
        return 1;
    RatioReporter reporter;
    benchmark::RunSpecifiedBenchmarks(&reporter);
    reporter.PrintRatio();
    benchmark::Shutdown();
    return 0;
}
