// The real window with the display preview open, offscreen: one keystroke in
// the detection line's formulas until the event queue is idle and the
// preview has drawn anew, at 5, 20 and 256 columns, and the same keystroke
// at 20 columns with the preview closed. The keystroke changes the first
// column, which is always on the screen, so every step redraws the picture.
// The preview lays out and draws only the columns on the screen: 256 columns
// may cost at most twice what 5 cost. It lays the display out once per
// change and redraws only the pixels of the cells that changed: the open
// preview may add at most a fifth to the keystroke alone.
#include "support/BenchMain.h"
#include "support/EventLoop.h"
#include "support/MedianReporter.h"
#include "ui/CueLineEdit.h"
#include "ui/DarstellungPage.h"
#include "ui/DisplayPreview.h"
#include "ui/Tf_root.h"

#include <QApplication>
#include <QElapsedTimer>
#include <QTabWidget>
#include <QTest>
#include <QTimer>

#include <benchmark/benchmark.h>

#include <cstdio>
#include <cstring>
#include <memory>
#include <string>
#include <vector>

namespace
{

using bench::Idle;

// Plain fields and formulas in turn, as an operator writes them.
QString Formulas(int columns)
{
    static const char *const kinds[] = {"Name", "Startnr", "[Vorname]", "\"Team \"&&[Verein]",
                                        "Zeit", "Rang"};
    QStringList formulas;
    for (int i = 0; i < columns; ++i)
        formulas << QString::fromLatin1(kinds[i % 6]);
    return formulas.join(u',');
}

std::unique_ptr<Tf_root> Window(int columns, bool preview)
{
    auto w = std::make_unique<Tf_root>();
    w->ti_start->stop();
    w->show();
    if (!QTest::qWaitForWindowExposed(w.get()))
        std::fprintf(stderr, "window not exposed\n");
    w->P_Einstellungen->show();
    w->P_Einstellungen->setCurrentWidget(w->TabSheet2);
    w->TabSheet2->e_anzahlzeilen->setProgramText(QStringLiteral("20"));
    w->TabSheet2->e_InfoZeile->setText(Formulas(columns));
    w->state().mt_spalten.First();
    if (preview) {
        w->b_vorschauClick();
        w->preview()->setScreenSize(QSize(1920, 1080));
        w->preview()->resize(960, 560);
        if (!QTest::qWaitForWindowExposed(w->preview()))
            std::fprintf(stderr, "preview not exposed\n");
    }
    QApplication::setActiveWindow(w.get());
    Idle();
    return w;
}

void KeystrokeWithPreview(benchmark::State &state)
{
    const int columns = int(state.range(0));
    auto w = Window(columns, true);
    CueLineEdit *line = w->TabSheet2->e_InfoZeile;
    line->setFocus();
    line->setCursorPosition(4); // behind "Name", the first column
    bool type = true;
    for (auto _ : state) {
        // "Namex" is no field and shows itself; "Name" shows a sample again.
        QTest::keyClick(line, type ? Qt::Key_X : Qt::Key_Backspace);
        Idle();
        type = !type;
    }
    if (w->state().mt_spalten.RecordCount() != columns)
        state.SkipWithError("tables out of step");
    const DisplayLayout &drawn = w->preview()->drawnLayout();
    if (drawn.cells.empty() || (columns > 20 && drawn.columnsLaidOut >= columns))
        state.SkipWithError("the preview did not draw, or drew beyond the screen");
    state.counters["laid_out"] = drawn.columnsLaidOut;
    state.counters["columns"] = columns;
}

// The same keystroke in two windows side by side, one with the preview open
// and one without, timed in turn within each iteration (the order swapping
// every time), so that a machine's changing load weighs on both alike.
void KeystrokeOpenBesideClosed(benchmark::State &state)
{
    const int columns = int(state.range(0));
    auto open = Window(columns, true);
    auto closed = Window(columns, false);
    CueLineEdit *lines[2] = {open->TabSheet2->e_InfoZeile, closed->TabSheet2->e_InfoZeile};
    for (CueLineEdit *line : lines)
        line->setCursorPosition(4);
    QElapsedTimer clock;
    qint64 spent[2] = {0, 0};
    bool type = true;
    int first = 0;
    for (auto _ : state) {
        qint64 iteration = 0;
        for (int k = 0; k < 2; ++k) {
            const int which = (first + k) % 2;
            QApplication::setActiveWindow(which == 0 ? open.get() : closed.get());
            lines[which]->setFocus();
            clock.start();
            QTest::keyClick(lines[which], type ? Qt::Key_X : Qt::Key_Backspace);
            Idle();
            const qint64 took = clock.nsecsElapsed();
            spent[which] += took;
            iteration += took;
        }
        type = !type;
        first = 1 - first;
        state.SetIterationTime(double(iteration) * 1e-9);
    }
    const DisplayLayout &drawn = open->preview()->drawnLayout();
    if (drawn.cells.empty() || open->state().mt_spalten.RecordCount() != columns ||
        closed->state().mt_spalten.RecordCount() != columns || spent[1] == 0)
        state.SkipWithError("the windows are out of step, or the preview did not draw");
    else
        state.counters["open_per_closed"] = double(spent[0]) / double(spent[1]);
    state.counters["columns"] = columns;
}

BENCHMARK(KeystrokeWithPreview)->Arg(5)->Arg(20)->Arg(256)->Unit(benchmark::kMicrosecond);
BENCHMARK(KeystrokeOpenBesideClosed)->Arg(20)->UseManualTime()->Unit(benchmark::kMicrosecond);

} // namespace

int main(int argc, char **argv)
{
    qputenv("QT_QPA_PLATFORM", "offscreen");
    QApplication app(argc, argv);
    if (!bench::Initialize(argc, argv, 7))
        return 1;
    // Microseconds per keystroke of each repetition by number of columns;
    // for the paired benchmark, the ratio open/closed of each repetition.
    bench::MedianReporter<bench::ColumnsKey> reporter(
        [](const bench::Run &run) -> std::optional<std::pair<bench::ColumnsKey, double>> {
            const auto cols = run.counters.find("columns");
            if (!bench::IsTimedIteration(run) || cols == run.counters.end())
                return {};
            const bench::ColumnsKey key{run.run_name.function_name, long(cols->second.value)};
            const auto ratio = run.counters.find("open_per_closed");
            if (ratio != run.counters.end())
                return {{key, ratio->second.value}};
            return {{key, run.real_accumulated_time / double(run.iterations) * 1e6}};
        });
    benchmark::RunSpecifiedBenchmarks(&reporter);
    benchmark::Shutdown();
    const bench::ColumnsKey with5{"KeystrokeWithPreview", 5}, with20{"KeystrokeWithPreview", 20},
        with256{"KeystrokeWithPreview", 256}, paired{"KeystrokeOpenBesideClosed", 20};
    if (!reporter.has(with5) || !reporter.has(with20) || !reporter.has(with256) || !reporter.has(paired)) {
        std::printf("ratios: runs are missing\n");
        return 1;
    }
    std::printf(
        "\nmedian per keystroke with the preview open: 5 columns %.1f us, 20 columns %.1f us, 256 columns "
        "%.1f us\n",
        reporter.median(with5), reporter.median(with20), reporter.median(with256));
    bench::PrintRatio("keystroke with the preview open, ratio 256/5 columns",
                      reporter.median(with256) / reporter.median(with5), 2.0);
    bench::PrintRatio("keystroke at 20 columns, ratio preview open/closed (windows side by side)",
                      reporter.median(paired), 1.2);
    return 0;
}
