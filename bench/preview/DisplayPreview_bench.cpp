// The real window with the display preview open, offscreen: one keystroke in
// the detection line's formulas until the event queue is idle and the
// preview has drawn anew, at 5, 20 and 256 columns, and the same keystroke
// at 20 columns with the preview closed. The keystroke changes the first
// column, which is always on the screen, so every step redraws the picture.
// The preview lays out and draws only the columns on the screen: 256 columns
// may cost at most twice what 5 cost, and the open preview at most half as
// much again as the keystroke alone.
#include "support/BenchMain.h"
#include "support/MedianReporter.h"
#include "ui/CueLineEdit.h"
#include "ui/DarstellungPage.h"
#include "ui/DisplayPreview.h"
#include "ui/Tf_root.h"

#include <QApplication>
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

void Idle()
{
    QCoreApplication::sendPostedEvents();
    QCoreApplication::processEvents(QEventLoop::AllEvents);
    QCoreApplication::sendPostedEvents();
    QCoreApplication::processEvents(QEventLoop::AllEvents);
}

// Plain fields and formulas in turn, as an operator writes them.
QString Formulas(int columns)
{
    static const char *const kinds[] = {"Name", "Startnr", "[Vorname]", "\"Team \"&&[Verein]", "Zeit", "Rang"};
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
    w->mt_spalten.First();
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

void Keystroke(benchmark::State &state, bool preview)
{
    const int columns = int(state.range(0));
    auto w = Window(columns, preview);
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
    if (w->mt_spalten.RecordCount() != columns)
        state.SkipWithError("tables out of step");
    if (preview) {
        const DisplayLayout &drawn = w->preview()->drawnLayout();
        if (drawn.cells.empty() || (columns > 20 && drawn.columnsLaidOut >= columns))
            state.SkipWithError("the preview did not draw, or drew beyond the screen");
        state.counters["laid_out"] = drawn.columnsLaidOut;
    }
    state.counters["columns"] = columns;
}

void KeystrokeWithPreview(benchmark::State &state)
{
    Keystroke(state, true);
}

void KeystrokeWithoutPreview(benchmark::State &state)
{
    Keystroke(state, false);
}

BENCHMARK(KeystrokeWithPreview)->Arg(5)->Arg(20)->Arg(256)->Unit(benchmark::kMicrosecond);
BENCHMARK(KeystrokeWithoutPreview)->Arg(20)->Unit(benchmark::kMicrosecond);

} // namespace

int main(int argc, char **argv)
{
    qputenv("QT_QPA_PLATFORM", "offscreen");
    QApplication app(argc, argv);
    if (!bench::Initialize(argc, argv, 7))
        return 1;
    bench::MedianReporter<bench::ColumnsKey> reporter = bench::ColumnsReporter();
    benchmark::RunSpecifiedBenchmarks(&reporter);
    bench::PrintColumnsMedians(reporter, "per keystroke");
    const bench::ColumnsKey with5{"KeystrokeWithPreview", 5}, with20{"KeystrokeWithPreview", 20},
        with256{"KeystrokeWithPreview", 256}, without20{"KeystrokeWithoutPreview", 20};
    benchmark::Shutdown();
    if (!reporter.has(with5) || !reporter.has(with256) || !reporter.has(with20) || !reporter.has(without20)) {
        std::printf("ratios: runs are missing\n");
        return 1;
    }
    bench::PrintRatio("keystroke with the preview open, ratio 256/5 columns",
                      reporter.median(with256) / reporter.median(with5), 2.0);
    bench::PrintRatio("keystroke at 20 columns, ratio preview open/closed",
                      reporter.median(with20) / reporter.median(without20), 1.5);
    return 0;
}
