// One keystroke at the end of a formula line: split the line and bring the
// detection and heading tables in step, with the panels' view links and
// row-change reactions attached as in the window. The cost per column must
// not grow with the number of columns.
#include "columns/ColumnSync.h"
#include "support/BenchMain.h"
#include "support/MedianReporter.h"

#include <benchmark/benchmark.h>

#include <cstdio>
#include <vector>

namespace
{

class QuietPanel : public FormatTableObserver
{
  public:
    int events = 0;
    void dataChanged() override { ++events; }
    void rowChanged() override { ++events; }
    void stateChanged() override { ++events; }
    void commitPendingEdit() override { ++events; }
    void writePendingInput() override { ++events; }
    void linkChanged(bool) override { ++events; }
};

void TypeAtEndOfLine(benchmark::State &state)
{
    const int columns = int(state.range(0));
    FormatTable spalten("mt_spalten", FormatTable::SpaltenSchema());
    FormatTable ueberschrift("mt_ueberschrift", FormatTable::UeberschriftSchema());
    ViewLink dsSpalten(&spalten);
    ViewLink dsUeberschrift(&ueberschrift);
    ueberschrift.setMasterSource(&dsSpalten);
    QuietPanel panelSpalten;
    QuietPanel panelKopf;
    dsSpalten.addObserver(&panelSpalten);
    dsUeberschrift.addObserver(&panelKopf);
    int scrolls = 0;
    spalten.setAfterScroll([&] { ++scrolls; });
    ueberschrift.setAfterScroll([&] { ++scrolls; });
    ColumnList infoColumns;
    QString label;
    const auto setLabel = [&label](const QString &t) { label = t; };

    QString line;
    for (int i = 0; i < columns; ++i)
        line += (i ? QStringLiteral(",") : QString()) + QStringLiteral("\"Team \"&&[Verein%1]").arg(i);
    SyncInfoZeile(line, infoColumns, spalten, ueberschrift, dsSpalten, dsUeberschrift, setLabel);
    const QString typed = line + QLatin1Char('x');

    bool longer = false;
    for (auto _ : state) {
        // alternate so that every round is a real change of the last column
        longer = !longer;
        SyncInfoZeile(longer ? typed : line, infoColumns, spalten, ueberschrift, dsSpalten, dsUeberschrift,
                      setLabel);
    }
    if (spalten.RecordCount() != columns || infoColumns.count() != columns)
        state.SkipWithError("tables out of step");
    benchmark::DoNotOptimize(scrolls);
    state.counters["columns"] = columns;
    state.counters["per_column"] = benchmark::Counter(columns, benchmark::Counter::kIsIterationInvariantRate |
                                                                   benchmark::Counter::kInvert);
}
BENCHMARK(TypeAtEndOfLine)->Arg(5)->Arg(50)->Arg(256)->Unit(benchmark::kMicrosecond);

} // namespace

int main(int argc, char **argv)
{
    if (!bench::Initialize(argc, argv, 7))
        return 1;
    // Cost per column of each repetition, by number of columns.
    bench::MedianReporter<long> reporter([](const bench::Run &run) -> std::optional<std::pair<long, double>> {
        const auto cols = run.counters.find("columns");
        if (!bench::IsTimedIteration(run) || cols == run.counters.end())
            return {};
        const double perIteration = run.real_accumulated_time / double(run.iterations);
        return {{long(cols->second.value), perIteration * 1e9 / cols->second.value}};
    });
    benchmark::RunSpecifiedBenchmarks(&reporter);
    std::printf("\nmedian cost per column:");
    for (const auto &[cols, values] : reporter.values())
        std::printf("  %ld columns %.1f ns", cols, bench::Median(values));
    std::printf("\n");
    benchmark::Shutdown();
    if (!reporter.has(5) || !reporter.has(256)) {
        std::printf("ratio 256/5: runs are missing\n");
        return 1;
    }
    bench::PrintRatio("ratio 256/5", reporter.median(256) / reporter.median(5), 1.5);
    return 0;
}
