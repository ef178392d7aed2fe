// The real window, offscreen: (a) one keystroke at the end of the detection
// line's formulas and (b) moving the current panel by one, each until the
// event queue is idle, at 5, 50 and 256 columns. The panel grids build and
// draw only what is in view, so 256 columns may cost at most twice what 5
// columns cost.
#include "support/BenchMain.h"
#include "support/EventLoop.h"
#include "support/MedianReporter.h"
#include "ui/CueLineEdit.h"
#include "ui/DarstellungPage.h"
#include "ui/PanelGrid.h"
#include "ui/Tf_root.h"

#include <QApplication>
#include <QTabWidget>
#include <QTest>
#include <QTimer>

#include <benchmark/benchmark.h>

#include <cstdio>
#include <memory>
#include <string>
#include <vector>

namespace
{

using bench::Idle;

std::unique_ptr<Tf_root> Window(int columns)
{
    auto w = std::make_unique<Tf_root>();
    w->ti_start->stop();
    w->show();
    if (!QTest::qWaitForWindowExposed(w.get()))
        std::fprintf(stderr, "window not exposed\n");
    w->P_Einstellungen->show();
    w->P_Einstellungen->setCurrentWidget(w->TabSheet2);
    QStringList formulas;
    for (int i = 0; i < columns; ++i)
        formulas << QStringLiteral("\"Team \"&&[Verein%1]").arg(i);
    w->TabSheet2->e_InfoZeile->setText(formulas.join(u','));
    w->state().mt_spalten.First();
    QApplication::setActiveWindow(w.get());
    Idle();
    return w;
}

void KeystrokeInFormulaLine(benchmark::State &state)
{
    const int columns = int(state.range(0));
    auto w = Window(columns);
    CueLineEdit *line = w->TabSheet2->e_InfoZeile;
    line->setFocus();
    line->end(false);
    bool type = true;
    for (auto _ : state) {
        // a letter at the end, then its removal: each a real change of the last column
        QTest::keyClick(line, type ? Qt::Key_X : Qt::Key_Backspace);
        Idle();
        type = !type;
    }
    if (w->state().mt_spalten.RecordCount() != columns)
        state.SkipWithError("tables out of step");
    state.counters["columns"] = columns;
}

void MovePanelByOne(benchmark::State &state)
{
    const int columns = int(state.range(0));
    auto w = Window(columns);
    PanelGrid *grid = w->TabSheet2->dbcg_spalten;
    grid->setFocus();
    // From the middle: right is one Next, left walks from the first row.
    QTest::keyClick(grid, Qt::Key_End);
    for (int i = 0; i < columns / 2; ++i)
        QTest::keyClick(grid, Qt::Key_Left);
    Idle();
    const int start = w->state().mt_spalten.RecNo();
    bool right = true;
    for (auto _ : state) {
        QTest::keyClick(grid, right ? Qt::Key_Right : Qt::Key_Left);
        Idle();
        right = !right;
    }
    if (std::abs(w->state().mt_spalten.RecNo() - start) > 1)
        state.SkipWithError("cursor did not move by one");
    state.counters["columns"] = columns;
}

BENCHMARK(KeystrokeInFormulaLine)->Arg(5)->Arg(50)->Arg(256)->Unit(benchmark::kMicrosecond);
BENCHMARK(MovePanelByOne)->Arg(5)->Arg(50)->Arg(256)->Unit(benchmark::kMicrosecond);

} // namespace

int main(int argc, char **argv)
{
    qputenv("QT_QPA_PLATFORM", "offscreen");
    QApplication app(argc, argv);
    if (!bench::Initialize(argc, argv, 7))
        return 1;
    bench::MedianReporter<bench::ColumnsKey> reporter = bench::ColumnsReporter();
    benchmark::RunSpecifiedBenchmarks(&reporter);
    bench::PrintColumnsMedians(reporter, "per operation");
    int ratios = 0;
    for (const char *name : {"KeystrokeInFormulaLine", "MovePanelByOne"}) {
        if (!reporter.has({name, 5}) || !reporter.has({name, 256}))
            continue;
        std::printf("%s", name);
        bench::PrintRatio(", ratio 256/5", reporter.median({name, 256}) / reporter.median({name, 5}), 2.0);
        ++ratios;
    }
    benchmark::Shutdown();
    if (ratios != 2) {
        std::printf("ratios: runs are missing\n");
        return 1;
    }
    return 0;
}
