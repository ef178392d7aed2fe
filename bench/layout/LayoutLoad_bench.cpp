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
#include <QElapsedTimer>
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

// One iteration: a fresh editor's start-up load from the file with the
// layout's values, and a loaded editor's load of the layout file, timed in
// turn (the order swapping every time), so that a machine's changing load
// weighs on both alike. Making the editors is not timed.
void LayoutBesideStart(benchmark::State &state)
{
    QElapsedTimer clock;
    qint64 spent[2] = {0, 0}; // start, layout
    int first = 0;
    bool ok = true;
    for (auto _ : state) {
        auto starting = std::make_unique<Editor>(TheFiles().start.path());
        auto loading = std::make_unique<Editor>(TheFiles().other.path());
        loading->w.ti_startTimer();
        Idle();
        qint64 iteration = 0;
        for (int k = 0; k < 2; ++k) {
            const int which = (first + k) % 2;
            clock.start();
            if (which == 0)
                starting->w.ti_startTimer();
            else
                loading->w.layoutMenu()->loadLayoutFile(TheFiles().layoutPath());
            Idle();
            const qint64 took = clock.nsecsElapsed();
            spent[which] += took;
            iteration += took;
        }
        first = 1 - first;
        state.SetIterationTime(double(iteration) * 1e-9);
        ok = ok && starting->dialogs.failures.isEmpty() && loading->dialogs.failures.isEmpty() &&
             starting->w.state().mt_spalten.RecordCount() == kColumns &&
             loading->w.state().mt_spalten.RecordCount() == kColumns &&
             loading->w.state().mt_spalten.asText(0) == QLatin1String("Arial");
    }
    if (!ok || spent[0] == 0) {
        state.SkipWithError("a load failed or the tables are out of step");
        return;
    }
    state.counters["layout_per_start"] = double(spent[1]) / double(spent[0]);
    state.counters["start_us"] = double(spent[0]) / 1e3 / double(state.iterations());
    state.counters["layout_us"] = double(spent[1]) / 1e3 / double(state.iterations());
    state.counters["columns"] = kColumns;
}

BENCHMARK(LayoutBesideStart)->UseManualTime()->Unit(benchmark::kMicrosecond)->MinTime(bench::MinTime(1.0));

} // namespace

int main(int argc, char **argv)
{
    qputenv("QT_QPA_PLATFORM", "offscreen");
    QApplication app(argc, argv);
    if (!bench::Initialize(argc, argv, 7))
        return 1;
    // The ratio layout/start of each repetition; the console lines show the
    // two loads' times (start_us, layout_us) as counters.
    using Key = std::string;
    bench::MedianReporter<Key> reporter([](const bench::Run &run) -> std::optional<std::pair<Key, double>> {
        const auto ratio = run.counters.find("layout_per_start");
        if (!bench::IsTimedIteration(run) || ratio == run.counters.end())
            return {};
        return {{"ratio", ratio->second.value}};
    });
    benchmark::RunSpecifiedBenchmarks(&reporter);
    benchmark::Shutdown();
    if (!reporter.has("ratio")) {
        std::printf("ratios: runs are missing\n");
        return 1;
    }
    bench::PrintRatio("\n\"Layout laden\" of 256 columns / start-up load of the same values (side by side)",
                      reporter.median("ratio"), 1.2);
    return 0;
}
