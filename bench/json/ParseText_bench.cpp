// ParseText cost per byte on a small and a large column format document.
// The stored documents grow with the number of columns; the cost per byte
// must not grow with them.
#include "support/BenchMain.h"
#include "support/MedianReporter.h"
#include "json/JsonValue.h"

#include <benchmark/benchmark.h>

#include <cstdio>
#include <iterator>

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
BENCHMARK(BM_ParseText)->Arg(1 << 10)->Arg(1 << 20)->Unit(benchmark::kMicrosecond);

} // namespace

int main(int argc, char **argv)
{
    if (!bench::Initialize(argc, argv, 7))
        return 1;
    // Cost per character of each repetition, by document size.
    bench::MedianReporter<long> reporter([](const bench::Run &run) -> std::optional<std::pair<long, double>> {
        const auto chars = run.counters.find("doc_chars");
        if (!bench::IsTimedIteration(run) || chars == run.counters.end())
            return {};
        // CPU time: the machine is shared, wall time carries other people's load.
        const double perIteration = run.cpu_accumulated_time / double(run.iterations);
        return {{long(chars->second.value), perIteration * 1e9 / chars->second.value}};
    });
    benchmark::RunSpecifiedBenchmarks(&reporter);
    if (reporter.values().size() != 2) {
        std::printf("ratio: need both document sizes\n");
        return 1;
    } else {
        const auto small = reporter.values().begin();
        const auto large = std::prev(reporter.values().end());
        const double a = bench::Median(small->second);
        const double b = bench::Median(large->second);
        std::printf("\nParseText median CPU cost per character: %ld chars %.3f ns, %ld chars %.3f ns\n",
                    small->first, a, large->first, b);
        bench::PrintRatio("ratio 1MB/1KB", b / a, 1.5);
    }
    benchmark::Shutdown();
    return 0;
}
