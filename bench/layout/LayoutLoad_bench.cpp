// The real window and controller, offscreen, with 256 columns in the
// detection line, its heading row and the start-number info: loading a
// layout file ("Layout laden…") against the start-up load of a settings file
// holding the same values. Each load starts from a fresh editor that holds
// 256 other columns; the editor's creation is not timed. Both run the same
// load steps, so the layout may cost at most 1.2 times the start.
#include "app/SettingsController.h"
#include "layout/LayoutFile.h"
#include "support/BenchMain.h"
#include "support/EventLoop.h"
#include "support/MedianReporter.h"
#include "ui/Dialogs.h"
#include "ui/LayoutMenu.h"
#include "ui/Tf_root.h"

#include <QApplication>
#include <QTemporaryDir>
#include <QTest>
#include <QTimer>

#include <benchmark/benchmark.h>

#include <cstdio>
#include <memory>

namespace
{

using bench::Idle;
constexpr int kColumns = 256;

// Answers nothing: no dialog may open while timing.
class SilentDialogs : public QtDialogs
{
  public:
    void showFailure(QWidget *, const QString &message) override { failures.append(message); }
    void showMessage(QWidget *, const QString &message) override { failures.append(message); }
    bool askYesNo(QWidget *, const QString &, bool) override { return false; }
    QStringList failures;
};

QString Document(int columns, const QString &font, Key key)
{
    QString text = QStringLiteral("{");
    for (int i = 1; i <= columns; ++i) {
        text +=
            QStringLiteral("\"%1\":{\"schriftname\":\"%2\",\"schriftgroesse\":\"%3\",\"farbe\":\"#FFFF00\","
                           "\"fett\":\"true\"")
                .arg(i)
                .arg(font)
                .arg(10 + i % 40);
        if (key == Key::InfoZeileFormat)
            text += QStringLiteral(",\"ausrichtung\":\"rechts\",\"anzahlzeichen\":\"%1\"").arg(i % 30);
        if (key == Key::UeberschriftFormat)
            text += QStringLiteral(",\"text\":\"Spalte %1\"").arg(i);
        text += u'}';
    }
    return text + u'}';
}

Layout Wide(const QString &font, const QString &formula)
{
    Layout layout = BuiltInLayouts().at(1);
    QStringList formulas;
    for (int i = 0; i < kColumns; ++i)
        formulas << formula.arg(i);
    for (auto &[key, value] : layout.values) {
        if (key == Key::InfoZeile || key == Key::SNRInfoFelder)
            value = formulas.join(u',');
        if (keyInfo(key).conversion == Conversion::Format)
            value = Document(kColumns, font, key);
    }
    return layout;
}

QByteArray SettingsWith(const Layout &layout)
{
    return ApplyWrites(IniDocument(), [&](SettingsEdit &out) {
        for (const auto &[key, value] : layout.values)
            out.WriteOption(keyName(key), value);
    });
}

void Write(const QString &path, const QByteArray &bytes)
{
    QFile file(path);
    if (file.open(QIODevice::WriteOnly))
        file.write(bytes);
}

// A fresh editor on `folder`, shown and loaded from its settings file.
struct Editor {
    explicit Editor(const QString &folder) : controller(w, SettingsFile::beside(folder))
    {
        w.ti_start->stop();
        w.show();
        if (!QTest::qWaitForWindowExposed(&w))
            std::fprintf(stderr, "window not exposed\n");
        Idle();
    }
    SilentDialogs dialogs;
    Tf_root w{&dialogs};
    SettingsController controller;
};

struct Files {
    Files()
    {
        const Layout layout = Wide(QStringLiteral("Arial"), QStringLiteral("[Feld%1]"));
        // The start file of the start-up run holds the layout's values; the
        // editor that loads the layout starts from 256 other columns.
        QDir().mkpath(start.path());
        Write(start.filePath(QStringLiteral("DAZovozoved.ini")), SettingsWith(layout));
        Write(other.filePath(QStringLiteral("DAZovozoved.ini")),
              SettingsWith(Wide(QStringLiteral("Tahoma"), QStringLiteral("\"Team \"&&[Verein%1]"))));
        WriteLayoutFile(layoutPath(), layout);
    }
    QString layoutPath() const { return other.filePath(QStringLiteral("breit.vadlayout")); }
    QTemporaryDir start;
    QTemporaryDir other;
};

const Files &TheFiles()
{
    static const Files files;
    return files;
}

void StartUpLoad(benchmark::State &state)
{
    int rows = 0;
    for (auto _ : state) {
        state.PauseTiming();
        auto e = std::make_unique<Editor>(TheFiles().start.path());
        state.ResumeTiming();
        e->w.ti_startTimer();
        Idle();
        state.PauseTiming();
        rows = e->w.mt_spalten.RecordCount();
        if (!e->dialogs.failures.isEmpty())
            state.SkipWithError("the load showed a message");
        e.reset();
        state.ResumeTiming();
    }
    if (rows != kColumns)
        state.SkipWithError("tables out of step");
    state.counters["columns"] = kColumns;
}

void LayoutLoad(benchmark::State &state)
{
    int rows = 0;
    for (auto _ : state) {
        state.PauseTiming();
        auto e = std::make_unique<Editor>(TheFiles().other.path());
        e->w.ti_startTimer();
        Idle();
        state.ResumeTiming();
        e->w.layoutMenu()->loadLayoutFile(TheFiles().layoutPath());
        Idle();
        state.PauseTiming();
        rows = e->w.mt_spalten.RecordCount();
        if (!e->dialogs.failures.isEmpty() || e->w.mt_spalten.asText(0) != QLatin1String("Arial"))
            state.SkipWithError("the layout did not load");
        e.reset();
        state.ResumeTiming();
    }
    if (rows != kColumns)
        state.SkipWithError("tables out of step");
    state.counters["columns"] = kColumns;
}

BENCHMARK(StartUpLoad)->Unit(benchmark::kMicrosecond)->MinTime(bench::MinTime(1.0));
BENCHMARK(LayoutLoad)->Unit(benchmark::kMicrosecond)->MinTime(bench::MinTime(1.0));

} // namespace

int main(int argc, char **argv)
{
    qputenv("QT_QPA_PLATFORM", "offscreen");
    QApplication app(argc, argv);
    if (!bench::Initialize(argc, argv, 7))
        return 1;
    bench::MedianReporter<bench::ColumnsKey> reporter = bench::ColumnsReporter();
    benchmark::RunSpecifiedBenchmarks(&reporter);
    bench::PrintColumnsMedians(reporter, "per load");
    const bench::ColumnsKey layout{"LayoutLoad", kColumns}, start{"StartUpLoad", kColumns};
    benchmark::Shutdown();
    if (!reporter.has(layout) || !reporter.has(start)) {
        std::printf("ratios: runs are missing\n");
        return 1;
    }
    bench::PrintRatio("LayoutLoad / StartUpLoad, 256 columns",
                      reporter.median(layout) / reporter.median(start), 1.2);
    return 0;
}
