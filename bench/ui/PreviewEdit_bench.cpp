// The real window and its preview, offscreen, with 5, 50 and 256 columns of
// the detection line, each step until the event queue is idle:
// (a) one mouse move of a resize drag on the first column's right edge,
//     the button held (one character wider, then back);
// (b) one keystroke in the current panel's "Anzahl der erwarteten Zeichen";
// (c) one step on the picture (Alt+Right, Alt+Left on the preview), each an
//     undo entry;
// (d) undo and redo of such a step.
// Every column is a fifth of the screen wide, so the picture is the same at
// every count (five columns on the screen, the others beyond its right
// edge) and only the table's size differs.
// A drag repaints what changed, so (a) at 256 columns may cost 1.2 times (a)
// at 5, and 1.5 times (b); undoing a step may cost 1.5 times the step.
#include "support/BenchMain.h"
#include "support/EventLoop.h"
#include "support/MedianReporter.h"
#include "ui/ColumnPanel.h"
#include "ui/CueLineEdit.h"
#include "ui/DarstellungPage.h"
#include "ui/DisplayPreview.h"
#include "ui/EditHistory.h"
#include "ui/PanelGrid.h"
#include "ui/PreviewEditing.h"
#include "ui/Tf_root.h"

#include <QApplication>
#include <QTabWidget>
#include <QTest>
#include <QTimer>
#include <QUndoStack>

#include <benchmark/benchmark.h>

#include <cmath>
#include <cstdio>
#include <memory>

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
        formulas << QStringLiteral("[Name%1]").arg(i);
    w->TabSheet2->e_InfoZeile->setText(formulas.join(u','));
    FormatTable &t = w->state().mt_spalten;
    // About 1920 / 5 pixels of 11-pixel characters.
    const int characters = 37;
    t.First();
    for (int i = 0; i < columns; ++i) {
        t.Edit();
        t.setText(SpaltenField::Schriftname, QStringLiteral("DejaVu Sans"));
        t.setInteger(SpaltenField::Schriftgroesse, 20);
        t.setInteger(SpaltenField::Anzahlzeichen, characters);
        t.Post();
        t.Next();
    }
    t.First();
    w->history().start();
    w->b_vorschauClick();
    w->preview()->setScreenSize(QSize(1920, 1080));
    w->preview()->resize(960, 600);
    Idle();
    return w;
}

// The first column's right edge in the preview's canvas, and one character.
QPoint EdgeOfFirst(const DisplayPreview &p, qreal *character)
{
    const DisplayLayout &l = p.drawnLayout();
    const DisplayLayout::ColumnSpan &span = l.columns.at(0);
    *character = span.charWidth * l.scale;
    return QPoint(int(std::lround(l.screen.x() + (span.x + span.width) * l.scale)),
                  int(l.rows.at(0).box.center().y()));
}

void DragStep(benchmark::State &state)
{
    const int columns = int(state.range(0));
    auto w = Window(columns);
    DisplayPreview *p = w->preview();
    qreal character = 0;
    const QPoint edge = EdgeOfFirst(*p, &character);
    QWidget *canvas = p->canvas();
    QTest::mousePress(canvas, Qt::LeftButton, {}, edge);
    Idle();
    const QPoint wider = edge + QPoint(int(std::lround(character)), 0);
    bool out = true;
    for (auto _ : state) {
        QTest::mouseMove(canvas, out ? wider : edge);
        Idle();
        out = !out;
    }
    QTest::mouseRelease(canvas, Qt::LeftButton, {}, edge);
    Idle();
    if (!p->drawnLayout().columns.size())
        state.SkipWithError("no columns drawn");
    state.counters["columns"] = columns;
}

void KeystrokeInCharacters(benchmark::State &state)
{
    const int columns = int(state.range(0));
    auto w = Window(columns);
    QLineEdit *field = w->TabSheet2->dbcg_spalten->livePanel()->anzahlzeichen;
    QApplication::setActiveWindow(w.get());
    field->setFocus();
    field->end(false);
    Idle();
    bool type = true;
    for (auto _ : state) {
        QTest::keyClick(field, type ? Qt::Key_1 : Qt::Key_Backspace);
        Idle();
        type = !type;
    }
    state.counters["columns"] = columns;
}

void ResizeStepOnPicture(benchmark::State &state)
{
    const int columns = int(state.range(0));
    auto w = Window(columns);
    QWidget *canvas = w->preview()->canvas();
    w->previewEditing().select({Key::InfoZeileFormat, 0}, false);
    Idle();
    bool wider = true;
    for (auto _ : state) {
        QTest::keyClick(canvas, wider ? Qt::Key_Right : Qt::Key_Left, Qt::AltModifier);
        Idle();
        wider = !wider;
    }
    if (w->history().stack()->count() == 0)
        state.SkipWithError("no undo steps");
    state.counters["columns"] = columns;
}

void UndoRedoStep(benchmark::State &state)
{
    const int columns = int(state.range(0));
    auto w = Window(columns);
    QWidget *canvas = w->preview()->canvas();
    w->previewEditing().select({Key::InfoZeileFormat, 0}, false);
    QTest::keyClick(canvas, Qt::Key_Right, Qt::AltModifier);
    Idle();
    bool undo = true;
    for (auto _ : state) {
        if (undo)
            w->history().undo();
        else
            w->history().redo();
        Idle();
        undo = !undo;
    }
    if (w->history().stack()->count() != 1)
        state.SkipWithError("undo made or lost steps");
    state.counters["columns"] = columns;
}

BENCHMARK(DragStep)->Arg(5)->Arg(50)->Arg(256)->Unit(benchmark::kMicrosecond);
BENCHMARK(KeystrokeInCharacters)->Arg(5)->Arg(256)->Unit(benchmark::kMicrosecond);
BENCHMARK(ResizeStepOnPicture)->Arg(5)->Arg(256)->Unit(benchmark::kMicrosecond);
BENCHMARK(UndoRedoStep)->Arg(5)->Arg(256)->Unit(benchmark::kMicrosecond);

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
    const auto median = [&](const char *name, long columns) { return reporter.median({name, columns}); };
    const bool complete = reporter.has({"DragStep", 5}) && reporter.has({"DragStep", 256}) &&
                          reporter.has({"KeystrokeInCharacters", 256}) &&
                          reporter.has({"ResizeStepOnPicture", 256}) && reporter.has({"UndoRedoStep", 256});
    if (complete) {
        bench::PrintRatio("DragStep, ratio 256/5", median("DragStep", 256) / median("DragStep", 5), 1.2);
        bench::PrintRatio("DragStep / KeystrokeInCharacters, 256 columns",
                          median("DragStep", 256) / median("KeystrokeInCharacters", 256), 1.5);
        bench::PrintRatio("UndoRedoStep / ResizeStepOnPicture, 256 columns",
                          median("UndoRedoStep", 256) / median("ResizeStepOnPicture", 256), 1.5);
    }
    benchmark::Shutdown();
    if (!complete) {
        std::printf("ratios: runs are missing\n");
        return 1;
    }
    return 0;
}
