// The command line as a script uses it, each measured side by side with its
// reference in one run:
//  - "get KEY" as a whole process against a bare QCoreApplication process
//    that prints one line (goal: at most 1.3 times its median);
//  - "set" of the values the file holds already, which writes nothing,
//    against "get KEY" on the same file (goal: at most 1.2 times);
//  - export-layout then import-layout of a layout carrying a 3840 x 2160
//    logo, two whole processes, against a plain copy of the same bytes (the
//    layout file and the settings file read, written anew and synced) (goal:
//    at most 3 times).
#include "layout/LayoutFile.h"

#include "PngWriter.h"
#include "support/BenchMain.h"
#include "support/MedianReporter.h"

#include <QByteArray>
#include <QDir>
#include <QElapsedTimer>
#include <QFile>

#include <benchmark/benchmark.h>
#include <cstdio>
#include <fcntl.h>
#include <functional>
#include <map>
#include <spawn.h>
#include <sys/wait.h>
#include <unistd.h>

extern char **environ;

namespace
{

// On the project's own disk: /tmp may be memory, where a sync costs nothing.
QString g_root;
QByteArray g_cli;
QByteArray g_bare;

// Runs a program to its end with stdout to /dev/null; false when it failed.
bool Run(const QList<QByteArray> &arguments)
{
    std::vector<char *> argv;
    for (const QByteArray &a : arguments)
        argv.push_back(const_cast<char *>(a.constData()));
    argv.push_back(nullptr);
    posix_spawn_file_actions_t actions;
    posix_spawn_file_actions_init(&actions);
    posix_spawn_file_actions_addopen(&actions, 1, "/dev/null", O_WRONLY, 0);
    pid_t pid = 0;
    const int error = posix_spawn(&pid, argv[0], &actions, nullptr, argv.data(), environ);
    posix_spawn_file_actions_destroy(&actions);
    int status = 0;
    return error == 0 && ::waitpid(pid, &status, 0) == pid && WIFEXITED(status) && WEXITSTATUS(status) == 0;
}

double Seconds(const std::function<bool()> &work, bool &ok)
{
    QElapsedTimer timer;
    timer.start();
    ok = work() && ok;
    return double(timer.nsecsElapsed()) / 1e9;
}

// Both sides in every iteration, in turns, so a changing load weighs on both.
void BM_GetVersusBareProcess(benchmark::State &state)
{
    const QByteArray ini = QFile::encodeName(g_root + "/get/DAZovozoved.ini");
    QDir().mkpath(g_root + "/get");
    QFile f(QString::fromLocal8Bit(ini));
    if (f.open(QIODevice::WriteOnly))
        f.write("[Optionen]\r\nZQHost=127.0.0.1\r\n");
    f.close();
    double cli = 0;
    double bare = 0;
    bool ok = true;
    for (auto _ : state) {
        cli += Seconds([&] { return Run({g_cli, "--file", ini, "get", "ZQHost"}); }, ok);
        bare += Seconds([&] { return Run({g_bare}); }, ok);
    }
    if (!ok)
        state.SkipWithError("a process failed");
    state.counters["cli_ms"] = benchmark::Counter(cli * 1e3, benchmark::Counter::kAvgIterations);
    state.counters["bare_ms"] = benchmark::Counter(bare * 1e3, benchmark::Counter::kAvgIterations);
}

// A file as a save writes it, with a password and column formats, set
// again to what it holds: the save reads it under the lock, builds the same
// bytes and leaves the file alone.
void BM_SetUnchangedVersusGet(benchmark::State &state)
{
    QDir().mkpath(g_root + "/nochange");
    const QByteArray ini = QFile::encodeName(g_root + "/nochange/DAZovozoved.ini");
    bool ok =
        Run({g_cli, "--file", ini, "set", "ZQHost=192.0.2.10", "ZQKDPasswort=geheim", "AnzahlZeilen=24"});
    double set = 0;
    double get = 0;
    for (auto _ : state) {
        set += Seconds(
            [&] {
                return Run({g_cli, "--file", ini, "set", "ZQHost=192.0.2.10", "AnzahlZeilen=24"});
            },
            ok);
        get += Seconds([&] { return Run({g_cli, "--file", ini, "get", "ZQHost"}); }, ok);
    }
    if (!ok)
        state.SkipWithError("a process failed");
    state.counters["nochange_ms"] = benchmark::Counter(set * 1e3, benchmark::Counter::kAvgIterations);
    state.counters["get_ms"] = benchmark::Counter(get * 1e3, benchmark::Counter::kAvgIterations);
}

// A plain copy with sync: read the file, write it anew, sync.
bool CopyWithSync(const QString &from, const QString &to)
{
    QFile in(from);
    if (!in.open(QIODevice::ReadOnly))
        return false;
    const QByteArray bytes = in.readAll();
    const int fd = ::open(QFile::encodeName(to).constData(), O_WRONLY | O_CREAT | O_TRUNC | O_CLOEXEC, 0644);
    if (fd < 0)
        return false;
    const bool written =
        ::write(fd, bytes.constData(), size_t(bytes.size())) == bytes.size() && ::fsync(fd) == 0;
    ::close(fd);
    return written;
}

void BM_LayoutRoundTripVersusCopy(benchmark::State &state)
{
    const QString here = g_root + "/here";
    const QString there = g_root + "/there";
    QDir().mkpath(here);
    QDir().mkpath(there);
    QFile logo(here + "/logo.png");
    if (logo.open(QIODevice::WriteOnly))
        logo.write(PngWriter::Encode(PngWriter::Photo(3840, 2160, 7)));
    logo.close();
    const QByteArray hereIni = QFile::encodeName(here + "/DAZovozoved.ini");
    const QByteArray thereIni = QFile::encodeName(there + "/DAZovozoved.ini");
    const QByteArray layout = QFile::encodeName(g_root + "/halle.vadlayout");
    bool ok = Run({g_cli, "--file", hereIni, "set", "InfoZeile=Startnr,[Name],Zeit"});
    double roundTrip = 0;
    double copy = 0;
    for (auto _ : state) {
        roundTrip += Seconds(
            [&] {
                return Run({g_cli, "--file", hereIni, "export-layout", layout, "--with-logo"}) &&
                       Run({g_cli, "--file", thereIni, "import-layout", layout, "--with-logo"});
            },
            ok);
        copy += Seconds(
            [&] {
                return CopyWithSync(QString::fromLocal8Bit(layout), g_root + "/copy.vadlayout") &&
                       CopyWithSync(QString::fromLocal8Bit(hereIni), g_root + "/copy.ini");
            },
            ok);
    }
    if (!ok)
        state.SkipWithError("a step failed");
    state.counters["layout_bytes"] = double(QFile(QString::fromLocal8Bit(layout)).size());
    state.counters["cli_ms"] = benchmark::Counter(roundTrip * 1e3, benchmark::Counter::kAvgIterations);
    state.counters["copy_ms"] = benchmark::Counter(copy * 1e3, benchmark::Counter::kAvgIterations);
}

BENCHMARK(BM_GetVersusBareProcess)
    ->Repetitions(bench::Repetitions(9))
    ->MinTime(bench::MinTime(0.5))
    ->UseRealTime()
    ->Unit(benchmark::kMillisecond);
BENCHMARK(BM_SetUnchangedVersusGet)
    ->Repetitions(bench::Repetitions(9))
    ->MinTime(bench::MinTime(0.5))
    ->UseRealTime()
    ->Unit(benchmark::kMillisecond);
BENCHMARK(BM_LayoutRoundTripVersusCopy)
    ->Repetitions(bench::Repetitions(7))
    ->MinTime(bench::MinTime(1))
    ->UseRealTime()
    ->Unit(benchmark::kMillisecond);

} // namespace

int main(int argc, char **argv)
{
    if (!bench::Initialize(argc, argv, 9))
        return 1;
    g_cli = VAD_CLI;
    g_bare = VAD_BARE;
    g_root = QDir::currentPath() + "/bench_cli.tmp";
    QDir(g_root).removeRecursively();
    // One value per repetition and side, by benchmark and counter.
    using Key = std::pair<std::string, std::string>;
    std::map<Key, std::vector<double>> sides;
    bench::MedianReporter<Key> collector([&](const bench::Run &run) -> std::optional<std::pair<Key, double>> {
        if (!bench::IsTimedIteration(run))
            return {};
        for (const char *side : {"cli_ms", "bare_ms", "copy_ms", "nochange_ms", "get_ms"}) {
            const auto it = run.counters.find(side);
            if (it != run.counters.end())
                sides[{run.run_name.function_name, side}].push_back(it->second.value);
        }
        return {};
    });
    benchmark::RunSpecifiedBenchmarks(&collector);
    QDir(g_root).removeRecursively();
    const auto median = [&](const char *bm, const char *side) {
        const auto it = sides.find({bm, side});
        return it == sides.end() ? 0.0 : bench::Median(it->second);
    };
    const double get = median("BM_GetVersusBareProcess", "cli_ms");
    const double bare = median("BM_GetVersusBareProcess", "bare_ms");
    const double layout = median("BM_LayoutRoundTripVersusCopy", "cli_ms");
    const double copy = median("BM_LayoutRoundTripVersusCopy", "copy_ms");
    const double unchanged = median("BM_SetUnchangedVersusGet", "nochange_ms");
    const double getBeside = median("BM_SetUnchangedVersusGet", "get_ms");
    if (get == 0 || bare == 0 || layout == 0 || copy == 0 || unchanged == 0 || getBeside == 0) {
        std::printf("ratios: some runs are missing\n");
        return 1;
    }
    std::printf(
        "\nmedian wall time: get %.2f ms, bare QCoreApplication %.2f ms; export+import with a 3840x2160 "
        "logo %.1f ms, plain copy with sync %.1f ms\n",
        get, bare, layout, copy);
    std::printf("median wall time: set that changes nothing %.2f ms, get beside it %.2f ms\n", unchanged,
                getBeside);
    bench::PrintRatio("get process / bare QCoreApplication process", get / bare, 1.3);
    bench::PrintRatio("set that changes nothing / get", unchanged / getBeside, 1.2);
    bench::PrintRatio("export+import layout with 3840x2160 logo / plain copy with sync", layout / copy, 3);
    benchmark::Shutdown();
    return 0;
}
