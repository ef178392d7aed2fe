// The logo preview in the real page, offscreen: one track bar step with a
// photo-sized 16:9 logo against one with a logo of the preview's own size,
// both previews repainted in each step, and the peak memory of loading the
// large logo against its decoded size.
#include "AllocationCounter.h"
#include "PngWriter.h"
#include "support/BenchMain.h"
#include "support/FakeDialogs.h"
#include "support/MedianReporter.h"
#include "support/ResidentSet.h"
#include "ui/DarstellungPage.h"
#include "ui/PictureBox.h"
#include "ui/Tf_root.h"

#include <QApplication>
#include <QDir>
#include <QFile>
#include <QProcess>
#include <QSlider>
#include <QTemporaryDir>
#include <QTimer>

#include <benchmark/benchmark.h>
#include <cstdio>
#include <cstring>
#include <sys/resource.h>
#include <unistd.h>

namespace
{

QTemporaryDir *g_dir;

void writeLogo(const char *name, uint32_t w, uint32_t h)
{
    QFile f(g_dir->filePath(QString::fromLatin1(name)));
    f.open(QIODevice::WriteOnly);
    f.write(PngWriter::Encode(PngWriter::Photo(w, h, 7)));
}

// A window whose page has loaded the given file as its logo.
struct Window {
    explicit Window(const char *name)
    {
        QFile::remove(g_dir->filePath("logo.png"));
        QFile::copy(g_dir->filePath(QString::fromLatin1(name)), g_dir->filePath("logo.png"));
        w.ti_start->stop();
        w.TabSheet2->TabSheet2Hide();
    }
    FakeDialogs dialogs;
    Tf_root w{&dialogs};
};

void TrackBarStep(benchmark::State &state, const char *name)
{
    Window window(name);
    // Without a loaded logo both steps would time the empty preview alike.
    if (!window.dialogs.failures.isEmpty() || !window.w.TabSheet2->img_logo->hasPicture() ||
        !window.w.TabSheet2->img_logo_trans->hasPicture()) {
        state.SkipWithError("the logo was not loaded");
        return;
    }
    QSlider *slider = window.w.TabSheet2->tb_trans;
    int p = 100;
    QWidget *page = window.w.TabSheet2;
    for (auto _ : state) {
        p = p == 100 ? 101 : 100;
        slider->setValue(p);
        // The step is done when both previews are painted anew.
        const QPixmap painted = page->grab();
        benchmark::DoNotOptimize(painted.cacheKey());
    }
}

void BM_TrackBarStep_Logo116x65(benchmark::State &state)
{
    TrackBarStep(state, "small.png");
}
void BM_TrackBarStep_Logo3840x2160(benchmark::State &state)
{
    TrackBarStep(state, "large.png");
}
BENCHMARK(BM_TrackBarStep_Logo116x65)->MinTime(bench::MinTime(0.2));
BENCHMARK(BM_TrackBarStep_Logo3840x2160)->MinTime(bench::MinTime(0.2));

// Run in a process of its own (this program with --load-peak), so the
// peak belongs to this load alone.
int LoadPeakMain(int argc, char **argv)
{
    qputenv("QT_QPA_PLATFORM", "offscreen");
    QApplication app(argc, argv);
    QDir::setCurrent(QString::fromLocal8Bit(argv[2]));
    FakeDialogs dialogs;
    Tf_root w{&dialogs};
    w.ti_start->stop();
    const long before = bench::CurrentRssKiB();
    AllocationCounter::Reset();
    w.TabSheet2->TabSheet2Hide();
    struct rusage usage {
    };
    getrusage(RUSAGE_SELF, &usage);
    const double decoded = 3840.0 * 2160.0 * 4.0;
    // Heap high-water mark (every malloc counted, Qt's included), then the
    // process's resident peak, which also holds libraries loaded on the way.
    std::printf("%.3f %.3f\n", double(AllocationCounter::Peak()) / decoded,
                double(usage.ru_maxrss - before) * 1024.0 / decoded);
    return dialogs.failures.isEmpty() ? 0 : 1;
}

QString LoadPeakRatios()
{
    QFile::remove(g_dir->filePath("logo.png"));
    QFile::copy(g_dir->filePath("large.png"), g_dir->filePath("logo.png"));
    QProcess child;
    child.start(QCoreApplication::applicationFilePath(), {QStringLiteral("--load-peak"), g_dir->path()});
    child.waitForFinished(120000);
    return child.exitCode() == 0 ? QString::fromLatin1(child.readAllStandardOutput().trimmed())
                                 : QString("failed");
}

} // namespace

int main(int argc, char **argv)
{
    if (argc == 3 && std::strcmp(argv[1], "--load-peak") == 0)
        return LoadPeakMain(argc, argv);
    qputenv("QT_QPA_PLATFORM", "offscreen");
    QApplication app(argc, argv);
    QTemporaryDir dir;
    g_dir = &dir;
    writeLogo("small.png", 116, 65);
    // A 16:9 photo as a camera or a designer delivers it; its preview fills
    // the box as wide as the small logo's does.
    writeLogo("large.png", 3840, 2160);
    QDir::setCurrent(dir.path());

    if (!bench::Initialize(argc, argv, 5))
        return 1;
    // CPU time per step of each repetition, by benchmark name.
    bench::MedianReporter<std::string> reporter(
        [](const bench::Run &r) -> std::optional<std::pair<std::string, double>> {
            if (!bench::IsTimedIteration(r))
                return {};
            return {{r.benchmark_name(), r.GetAdjustedCPUTime()}};
        });
    benchmark::RunSpecifiedBenchmarks(&reporter);
    double small = 0, large = 0;
    for (const auto &[name, cpu] : reporter.values())
        (name.find("116x65") != std::string::npos ? small : large) = bench::Median(cpu);
    if (small <= 0 || large <= 0) {
        std::printf("track bar step: runs are missing\n");
        return 1;
    }
    bench::PrintRatio("track bar step with repaint, 3840x2160 logo / 116x65 logo", large / small, 1.5);
    const QStringList peaks = LoadPeakRatios().split(u' ');
    bool ok = false;
    const double heap = peaks.value(0).toDouble(&ok);
    if (!ok) {
        std::printf("peak memory while loading the 3840x2160 logo: %s\n", qPrintable(peaks.join(u' ')));
        return 1;
    }
    bench::PrintRatio("peak heap while loading the 3840x2160 logo / its decoded size", heap, 3);
    std::printf("  (resident set: %s)\n", qPrintable(peaks.value(1)));
    return 0;
}
