// One keystroke at the end of a formula line: split the line and bring the
// detection and heading tables in step, with the panels' view links and
// row-change reactions attached as in the window. The cost per column must
// not grow with the number of columns.
#include "columns/ColumnSync.h"

#include <benchmark/benchmark.h>

#include <algorithm>
#include <cstdio>
#include <map>
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

// Prints the ratio of the medians of the cost per column.
class RatioReporter : public benchmark::ConsoleReporter
{
  public:
    void ReportRuns(const std::vector<Run> &runs) override
    {
        ConsoleReporter::ReportRuns(runs);
        for (const Run &run : runs) {
            if (run.run_type != Run::RT_Iteration || run.error_occurred || run.iterations == 0)
                continue;
            const auto cols = run.counters.find("columns");
            if (cols == run.counters.end())
                continue;
            const double perIteration = run.real_accumulated_time / double(run.iterations);
            m_nsPerColumn[long(cols->second.value)].push_back(perIteration * 1e9 / cols->second.value);
        }
    }
    void Finalize() override
    {
        ConsoleReporter::Finalize();
        std::printf("\nmedian cost per column:");
        for (auto &[cols, values] : m_nsPerColumn)
            std::printf("  %ld columns %.1f ns", cols, median(values));
        std::printf("\n");
        if (m_nsPerColumn.count(5) && m_nsPerColumn.count(256)) {
            const double ratio = median(m_nsPerColumn[256]) / median(m_nsPerColumn[5]);
            std::printf("ratio 256/5 = %.2f (limit 1.5) %s\n", ratio, ratio <= 1.5 ? "ok" : "TOO SLOW");
        }
    }

  private:
    static double median(std::vector<double> v)
    {
        std::sort(v.begin(), v.end());
        return v.empty() ? 0 : v[v.size() / 2];
    }
    std::map<long, std::vector<double>> m_nsPerColumn;
};

} // namespace

int main(int argc, char **argv)
{
    std::vector<char *> args(argv, argv + argc);
    char repetitions[] = "--benchmark_repetitions=7";
    args.insert(args.begin() + 1, repetitions);
    int count = int(args.size());
    benchmark::Initialize(&count, args.data());
    RatioReporter reporter;
    benchmark::RunSpecifiedBenchmarks(&reporter);
    benchmark::Shutdown();
    return 0;
}
