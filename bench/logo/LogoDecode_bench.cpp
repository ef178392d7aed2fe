// The logo preview's costs, each measured side by side in one run:
//  - decoding a 4096 x 4096 RGBA logo (plain and Adam7) with our decoder and
//    with libpng's own reader, ratio of the medians (limit 1.3);
//  - one track bar step: blending the preview-sized copy kept per logo, for a
//    4096 x 4096 logo and for a 116 x 65 one (limit 1.5); the step at the
//    logo's full size is shown for comparison;
//  - peak heap while loading the 4096 x 4096 logo against its decoded size
//    (limit 3), counted by wrapping malloc, and the same from the kernel's
//    maxrss of a fresh child process that loads the file.
#include "logo/LogoBlend.h"
#include "logo/PngDecoder.h"

#include "AllocationCounter.h"
#include "PngReference.h"
#include "PngWriter.h"
#include "support/BenchMain.h"
#include "support/MedianReporter.h"
#include "support/ResidentSet.h"

#include <QFile>
#include <QTemporaryDir>
#include <benchmark/benchmark.h>

#include <sys/resource.h>
#include <sys/wait.h>
#include <unistd.h>

#include <algorithm>
#include <cstdio>
#include <cstring>
#include <map>
#include <string>
#include <vector>

namespace
{

constexpr uint32_t kSide = 4096;

const QByteArray &LogoFile(bool interlaced)
{
    static std::map<bool, QByteArray> files;
    auto it = files.find(interlaced);
    if (it == files.end()) {
        PngWriter::Options options;
        options.interlaced = interlaced;
        options.filters = PngWriter::Filters::Adaptive;
        options.idatSize = 8192; // as common encoders write it
        it = files.emplace(interlaced, PngWriter::Encode(PngWriter::Photo(kSide, kSide, 42), options)).first;
    }
    return it->second;
}

void DecodeOurs(benchmark::State &state)
{
    const QByteArray &file = LogoFile(state.range(0) != 0);
    for (auto _ : state) {
        LogoImage image = DecodePng(file);
        benchmark::DoNotOptimize(image.bits());
    }
    state.counters["file_MiB"] = double(file.size()) / (1 << 20);
}

void DecodeLibpng(benchmark::State &state)
{
    const QByteArray &file = LogoFile(state.range(0) != 0);
    for (auto _ : state) {
        ReferenceImage image;
        if (!ReadWithLibpng(file, image))
            state.SkipWithError("libpng refused the file");
        benchmark::DoNotOptimize(image.rgba.data());
    }
}
BENCHMARK(DecodeOurs)->Arg(0)->Arg(1)->Unit(benchmark::kMillisecond)->Iterations(2);
BENCHMARK(DecodeLibpng)->Arg(0)->Arg(1)->Unit(benchmark::kMillisecond)->Iterations(2);

// The copy the preview keeps: the logo scaled to fit 116 x 65 keeping its
// aspect ratio, by averaging the premultiplied source pixels under each target
// pixel (made once per load, not part of a step).
LogoImage PreviewCopy(const LogoImage &logo, int boxWidth, int boxHeight)
{
    const double scale = std::min(double(boxWidth) / logo.width(), double(boxHeight) / logo.height());
    const int w = std::max(1, int(logo.width() * scale + 0.5));
    const int h = std::max(1, int(logo.height() * scale + 0.5));
    QByteArray pixels(qsizetype(w) * h * 4, Qt::Uninitialized);
    auto *out = reinterpret_cast<uint32_t *>(pixels.data());
    for (int y = 0; y < h; ++y) {
        const int y0 = y * logo.height() / h, y1 = std::max(y0 + 1, (y + 1) * logo.height() / h);
        for (int x = 0; x < w; ++x) {
            const int x0 = x * logo.width() / w, x1 = std::max(x0 + 1, (x + 1) * logo.width() / w);
            uint64_t sum[4] = {0, 0, 0, 0};
            for (int sy = y0; sy < y1; ++sy)
                for (int sx = x0; sx < x1; ++sx)
                    for (int c = 0; c < 4; ++c)
                        sum[c] += logo.pixel(sx, sy) >> (8 * c) & 0xFF;
            const uint64_t n = uint64_t(x1 - x0) * (y1 - y0);
            uint32_t word = 0;
            for (int c = 0; c < 4; ++c)
                word |= uint32_t((sum[c] + n / 2) / n) << (8 * c);
            out[y * w + x] = word;
        }
    }
    return LogoImage(w, h, pixels, logo.hasAlpha());
}

const LogoImage &Logo(int which)
{
    static std::map<int, LogoImage> logos;
    auto it = logos.find(which);
    if (it == logos.end()) {
        if (which == 0) // 116 x 65 source
            it = logos.emplace(which, DecodePng(PngWriter::Encode(PngWriter::Photo(116, 65, 7)))).first;
        else // 4096 x 4096 source
            it = logos.emplace(which, DecodePng(LogoFile(false))).first;
    }
    return it->second;
}

// One track bar step as the preview does it: blend the kept preview copy.
void TrackBarStep(benchmark::State &state)
{
    const LogoImage copy = PreviewCopy(Logo(int(state.range(0))), 116, 65);
    int position = 0;
    for (auto _ : state) {
        position = (position + 1) & 0xFF;
        LogoImage composite = BlendLogo(copy, 0x3080C0, position);
        benchmark::DoNotOptimize(composite.bits());
    }
    state.counters["preview_px"] = double(copy.width()) * copy.height();
}
BENCHMARK(TrackBarStep)->Arg(0)->Arg(1)->Unit(benchmark::kMicrosecond);

// The same step at the logo's full size, for comparison.
void TrackBarStepFullSize(benchmark::State &state)
{
    const LogoImage &logo = Logo(1);
    int position = 0;
    for (auto _ : state) {
        position = (position + 1) & 0xFF;
        LogoImage composite = BlendLogo(logo, 0x3080C0, position);
        benchmark::DoNotOptimize(composite.bits());
    }
}
BENCHMARK(TrackBarStepFullSize)->Unit(benchmark::kMillisecond)->Iterations(3);

// Seconds per iteration of each repetition, by benchmark name.
bench::MedianReporter<std::string> SecondsReporter()
{
    return bench::MedianReporter<std::string>(
        [](const bench::Run &run) -> std::optional<std::pair<std::string, double>> {
            if (!bench::IsTimedIteration(run))
                return {};
            std::string name = run.run_name.str();
            const size_t fixed = name.find("/iterations:");
            if (fixed != std::string::npos)
                name.erase(fixed);
            return {{name, run.real_accumulated_time / double(run.iterations)}};
        });
}

// Returns false when a ratio could not be worked out for want of runs.
bool PrintMediansAndRatios(const bench::MedianReporter<std::string> &reporter)
{
    const auto &seconds = reporter.values();
    std::printf("\nmedians of %zu repetitions:\n", seconds.empty() ? 0 : seconds.begin()->second.size());
    for (const auto &[name, values] : seconds)
        std::printf("  %-28s %10.3f ms\n", name.c_str(), bench::Median(values) * 1e3);
    bool complete = true;
    const auto ratio = [&reporter, &complete](const char *what, const std::string &a, const std::string &b,
                                              double limit) {
        if (!reporter.has(a) || !reporter.has(b)) {
            std::printf("%s: runs are missing\n", what);
            complete = false;
            return;
        }
        const double r = reporter.median(a) / reporter.median(b);
        if (limit > 0)
            bench::PrintRatio(what, r, limit);
        else
            std::printf("%s = %.0f\n", what, r);
    };
    ratio("decode 4096x4096 RGBA, ours / libpng", "DecodeOurs/0", "DecodeLibpng/0", 1.3);
    ratio("decode 4096x4096 Adam7, ours / libpng", "DecodeOurs/1", "DecodeLibpng/1", 1.3);
    ratio("track bar step, 4096x4096 logo / 116x65 logo", "TrackBarStep/1", "TrackBarStep/0", 1.5);
    ratio("full-size step (no preview copy) / 116x65 step", "TrackBarStepFullSize", "TrackBarStep/0", 0);
    return complete;
}

// Child mode: load the file once and print how far the resident set grew.
int LoadAndReportRss(const char *path)
{
    const long before = bench::CurrentRssKiB();
    const LogoImage image = DecodePngFile(QString::fromLocal8Bit(path));
    rusage usage{};
    getrusage(RUSAGE_SELF, &usage);
    std::printf("%ld\n", usage.ru_maxrss - before);
    return image.isNull() ? 1 : 0;
}

double ChildPeakKiB(const QString &path)
{
    int fds[2];
    if (pipe(fds) != 0)
        return -1;
    const pid_t pid = fork();
    if (pid == 0) {
        dup2(fds[1], STDOUT_FILENO);
        close(fds[0]);
        const QByteArray local = path.toLocal8Bit();
        execl("/proc/self/exe", "bench_logo", "--load-and-report-rss", local.constData(),
              static_cast<char *>(nullptr));
        _exit(127);
    }
    close(fds[1]);
    char buffer[64] = {};
    const ssize_t n = read(fds[0], buffer, sizeof buffer - 1);
    close(fds[0]);
    int status = 0;
    waitpid(pid, &status, 0);
    return n > 0 && WIFEXITED(status) && WEXITSTATUS(status) == 0 ? std::atof(buffer) : -1;
}

void ReportPeakMemory()
{
    const double decoded = double(kSide) * kSide * 4;
    QTemporaryDir dir;
    std::printf("\npeak memory while loading the 4096x4096 logo (decoded size %.1f MiB):\n",
                decoded / (1 << 20));
    for (bool interlaced : {false, true}) {
        const QByteArray &file = LogoFile(interlaced);
        const QString path = dir.path() + (interlaced ? "/adam7.png" : "/plain.png");
        QFile out(path);
        if (!out.open(QIODevice::WriteOnly) || out.write(file) != file.size())
            return;
        out.close();
        const char *kind = interlaced ? "Adam7" : "plain";

        AllocationCounter::Reset();
        {
            const LogoImage image = DecodePng(file);
        }
        const double fromMemory = double(AllocationCounter::Peak());
        AllocationCounter::Reset();
        {
            const LogoImage image = DecodePngFile(path);
        }
        const double fromFile = double(AllocationCounter::Peak());
        AllocationCounter::Reset();
        {
            ReferenceImage image;
            ReadWithLibpng(file, image);
        }
        const double libpng = double(AllocationCounter::Peak());
        const double rss = ChildPeakKiB(path) * 1024;

        std::printf("  %-5s file %.1f MiB\n", kind, double(file.size()) / (1 << 20));
        std::printf("    heap, decoding bytes in memory:     %7.1f MiB = %.2f x decoded (libpng: %.2f x)\n",
                    fromMemory / (1 << 20), fromMemory / decoded, libpng / decoded);
        std::printf("    heap, loading the file (its bytes too): %5.1f MiB = %.2f x decoded (limit 3) %s\n",
                    fromFile / (1 << 20), fromFile / decoded, fromFile / decoded <= 3 ? "ok" : "OVER");
        std::printf("    maxrss growth of a child loading the file: %.1f MiB = %.2f x decoded\n",
                    rss / (1 << 20), rss / decoded);
    }
}

} // namespace

int main(int argc, char **argv)
{
    if (argc == 3 && std::strcmp(argv[1], "--load-and-report-rss") == 0)
        return LoadAndReportRss(argv[2]);
    if (!bench::Initialize(argc, argv, 5))
        return 1;
    bench::MedianReporter<std::string> reporter = SecondsReporter();
    benchmark::RunSpecifiedBenchmarks(&reporter);
    const bool complete = PrintMediansAndRatios(reporter);
    benchmark::Shutdown();
    ReportPeakMemory();
    return complete ? 0 : 1;
}
