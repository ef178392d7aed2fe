// The settings file as the real program uses it: a save of the 23 keys
// against one plain write, sync and rename of the same bytes, at 1 KB and
// 1 MB; the save rewritten in place with its journal (where the folder lets
// the operator create no file) against one plain write and sync of the same
// bytes over the file; and the start (the window's whole load sequence) with
// a 1 KB and a 10 MB file. Both must cost in proportion to the file, the
// save no more than twice what writing the bytes safely costs anyway, and
// the journaled save in place no more than three times a bare rewrite.
#include "app/SettingsController.h"
#include "settings/SettingsKeys.h"
#include "support/BenchMain.h"
#include "support/FakeDialogs.h"
#include "support/MedianReporter.h"
#include "ui/Tf_root.h"

#include <QApplication>
#include <QDir>
#include <QFile>
#include <QTimer>

#include <benchmark/benchmark.h>
#include <cstdio>
#include <fcntl.h>
#include <unistd.h>

namespace
{

// On the project's own disk: /tmp may be memory, where a sync costs nothing.
QString g_root;

QString DirFor(const char *what, long bytes)
{
    const QString dir = g_root + QStringLiteral("/%1-%2").arg(QString::fromLatin1(what)).arg(bytes);
    QDir().mkpath(dir);
    return dir;
}

// A settings file of about `bytes`: the 23 keys and a section of the
// display program's own keys that grows to the size.
QByteArray SettingsBytes(long bytes)
{
    QByteArray out = "[Optionen]\r\n";
    for (const KeyInfo &k : kKeys)
        out += QByteArray(k.name) + '=' + k.defaultText + "\r\n";
    out += "[Anzeige]\r\n";
    for (int i = 0; out.size() < bytes; ++i)
        out += "Zeile" + QByteArray::number(i) + "=" + QByteArray(60, char('a' + i % 26)) + "\r\n";
    return out;
}

void WriteFile(const QString &path, const QByteArray &bytes)
{
    QFile f(path);
    if (f.open(QIODevice::WriteOnly))
        f.write(bytes);
}

void SetCounters(benchmark::State &state, qint64 bytes)
{
    state.counters["file_bytes"] = double(bytes);
    state.SetBytesProcessed(state.iterations() * bytes);
}

// The save as "speichern + schliessen" does it: one transaction of 23 writes.
void BM_Save(benchmark::State &state)
{
    const QString dir = DirFor("save", long(state.range(0)));
    const QByteArray bytes = SettingsBytes(long(state.range(0)));
    WriteFile(dir + "/DAZovozoved.ini", bytes);
    SettingsFile file = SettingsFile::beside(dir);
    int round = 0;
    for (auto _ : state) {
        ++round;
        file.Update([round](SettingsEdit &edit) {
            for (const KeyInfo &k : kKeys)
                edit.WriteOption(QString::fromLatin1(k.name), QString::number(round));
        });
    }
    SetCounters(state, bytes.size());
}

// The least a crash-safe save must do: the same bytes written to a new
// file, synced, renamed over the old one.
void BM_PlainWriteSyncRename(benchmark::State &state)
{
    const QString dir = DirFor("plain", long(state.range(0)));
    const QByteArray bytes = SettingsBytes(long(state.range(0)));
    const QByteArray target = QFile::encodeName(dir + "/DAZovozoved.ini");
    const QByteArray temp = target + ".tmp";
    for (auto _ : state) {
        const int fd = ::open(temp.constData(), O_WRONLY | O_CREAT | O_TRUNC | O_CLOEXEC, 0600);
        if (fd < 0 || ::write(fd, bytes.constData(), size_t(bytes.size())) != bytes.size() ||
            ::fsync(fd) != 0) {
            state.SkipWithError("plain write failed");
            break;
        }
        ::close(fd);
        ::rename(temp.constData(), target.constData());
    }
    SetCounters(state, bytes.size());
}

// The save where no new file can take the file's place: the new text goes
// into a journal in the state folder, synced, then over the file itself.
void BM_SaveInPlace(benchmark::State &state)
{
    const QString dir = DirFor("inplace", long(state.range(0)));
    const QByteArray bytes = SettingsBytes(long(state.range(0)));
    WriteFile(dir + "/DAZovozoved.ini", bytes);
    SettingsFile file = SettingsFile::beside(dir);
    file.setRewriteInPlace(true);
    int round = 0;
    for (auto _ : state) {
        ++round;
        file.Update([round](SettingsEdit &edit) {
            for (const KeyInfo &k : kKeys)
                edit.WriteOption(QString::fromLatin1(k.name), QString::number(round % 10));
        });
    }
    SetCounters(state, bytes.size());
}

// What a save without any safety does: the file opened for writing (which
// empties it), the same bytes written and synced.
void BM_PlainWriteSync(benchmark::State &state)
{
    const QString dir = DirFor("plainsync", long(state.range(0)));
    const QByteArray bytes = SettingsBytes(long(state.range(0)));
    const QByteArray target = QFile::encodeName(dir + "/DAZovozoved.ini");
    WriteFile(dir + "/DAZovozoved.ini", bytes);
    for (auto _ : state) {
        const int fd = ::open(target.constData(), O_WRONLY | O_TRUNC | O_CLOEXEC);
        if (fd < 0 || ::write(fd, bytes.constData(), size_t(bytes.size())) != bytes.size() ||
            ::fsync(fd) != 0) {
            state.SkipWithError("plain write failed");
            break;
        }
        ::close(fd);
    }
    SetCounters(state, bytes.size());
}

// The least any rewrite in place does: the same bytes written over the
// file's own blocks and synced; nothing about the file changes but its time.
void BM_PlainRewriteSync(benchmark::State &state)
{
    const QString dir = DirFor("rewrite", long(state.range(0)));
    const QByteArray bytes = SettingsBytes(long(state.range(0)));
    const QByteArray target = QFile::encodeName(dir + "/DAZovozoved.ini");
    WriteFile(dir + "/DAZovozoved.ini", bytes);
    const int fd = ::open(target.constData(), O_WRONLY | O_CLOEXEC);
    for (auto _ : state) {
        if (fd < 0 || ::pwrite(fd, bytes.constData(), size_t(bytes.size()), 0) != bytes.size() ||
            ::fsync(fd) != 0) {
            state.SkipWithError("plain rewrite failed");
            break;
        }
    }
    if (fd >= 0)
        ::close(fd);
    SetCounters(state, bytes.size());
}

// The start: the window's load sequence from the timer to the pages shown.
void BM_Start(benchmark::State &state)
{
    const QString dir = DirFor("start", long(state.range(0)));
    const QByteArray bytes = SettingsBytes(long(state.range(0)));
    WriteFile(dir + "/DAZovozoved.ini", bytes);
    for (auto _ : state) {
        state.PauseTiming();
        FakeDialogs dialogs;
        auto window = std::make_unique<Tf_root>(&dialogs);
        window->ti_start->stop();
        SettingsController controller(*window, SettingsFile::beside(dir));
        state.ResumeTiming();
        window->ti_startTimer();
        state.PauseTiming();
        if (!controller.loaded())
            state.SkipWithError("the load failed");
        window.reset();
        state.ResumeTiming();
    }
    SetCounters(state, bytes.size());
}

BENCHMARK(BM_Save)
    ->Arg(1 << 10)
    ->Arg(1 << 20)
    ->Repetitions(bench::Repetitions(7))
    ->UseRealTime()
    ->Unit(benchmark::kMicrosecond);
BENCHMARK(BM_PlainWriteSyncRename)
    ->Arg(1 << 10)
    ->Arg(1 << 20)
    ->Repetitions(bench::Repetitions(7))
    ->UseRealTime()
    ->Unit(benchmark::kMicrosecond);
BENCHMARK(BM_SaveInPlace)
    ->Arg(1 << 10)
    ->Arg(1 << 20)
    ->Repetitions(bench::Repetitions(7))
    ->UseRealTime()
    ->Unit(benchmark::kMicrosecond);
BENCHMARK(BM_PlainWriteSync)
    ->Arg(1 << 10)
    ->Arg(1 << 20)
    ->Repetitions(bench::Repetitions(7))
    ->UseRealTime()
    ->Unit(benchmark::kMicrosecond);
BENCHMARK(BM_PlainRewriteSync)
    ->Arg(1 << 10)
    ->Arg(1 << 20)
    ->Repetitions(bench::Repetitions(7))
    ->UseRealTime()
    ->Unit(benchmark::kMicrosecond);
BENCHMARK(BM_Start)
    ->Arg(1 << 10)
    ->Arg(10 << 20)
    ->Repetitions(bench::Repetitions(5))
    ->UseRealTime()
    ->Unit(benchmark::kMillisecond);

} // namespace

int main(int argc, char **argv)
{
    qputenv("QT_QPA_PLATFORM", "offscreen");
    QApplication app(argc, argv);
    if (!bench::Initialize(argc, argv, 7))
        return 1;
    g_root = QDir::currentPath() + "/bench_settings.tmp";
    QDir(g_root).removeRecursively();
    // The journals too go to the project's disk, into a folder of our own.
    qputenv("XDG_STATE_HOME", QFile::encodeName(g_root + "/state"));

    // Wall time per run (syncs wait for the disk, not the processor), by
    // benchmark and file size.
    using Key = std::pair<std::string, long>;
    bench::MedianReporter<Key> reporter([](const bench::Run &run) -> std::optional<std::pair<Key, double>> {
        const auto size = run.counters.find("file_bytes");
        if (!bench::IsTimedIteration(run) || size == run.counters.end())
            return {};
        const std::string name = run.run_name.function_name;
        return {{{name, long(size->second.value)}, run.real_accumulated_time / double(run.iterations)}};
    });
    benchmark::RunSpecifiedBenchmarks(&reporter);
    QDir(g_root).removeRecursively();

    const auto perByte = [&](const char *name, long nominal) {
        for (const auto &[key, values] : reporter.values())
            if (key.first == name && key.second >= nominal && key.second < nominal + 4096)
                return std::make_pair(bench::Median(values), double(key.second));
        return std::make_pair(0.0, 0.0);
    };
    const auto [save1k, bytes1k] = perByte("BM_Save", 1 << 10);
    const auto [save1m, bytes1m] = perByte("BM_Save", 1 << 20);
    const auto [plain1k, p1k] = perByte("BM_PlainWriteSyncRename", 1 << 10);
    const auto [plain1m, p1m] = perByte("BM_PlainWriteSyncRename", 1 << 20);
    const auto [inPlace1k, i1k] = perByte("BM_SaveInPlace", 1 << 10);
    const auto [inPlace1m, i1m] = perByte("BM_SaveInPlace", 1 << 20);
    const auto [write1k, w1k] = perByte("BM_PlainWriteSync", 1 << 10);
    const auto [write1m, w1m] = perByte("BM_PlainWriteSync", 1 << 20);
    const auto [rewrite1k, r1k] = perByte("BM_PlainRewriteSync", 1 << 10);
    const auto [rewrite1m, r1m] = perByte("BM_PlainRewriteSync", 1 << 20);
    const auto [start1k, s1k] = perByte("BM_Start", 1 << 10);
    const auto [start10m, s10m] = perByte("BM_Start", 10 << 20);
    if (save1k == 0 || save1m == 0 || plain1k == 0 || plain1m == 0 || inPlace1k == 0 || inPlace1m == 0 ||
        write1k == 0 || write1m == 0 || rewrite1k == 0 || rewrite1m == 0 || start1k == 0 || start10m == 0) {
        std::printf("ratios: some runs are missing\n");
        return 1;
    }
    std::printf("\nmedian wall time: save 1 KB %.3f ms, 1 MB %.3f ms; plain write+fsync+rename 1 KB %.3f ms, "
                "1 MB %.3f ms; start 1 KB %.1f ms, 10 MB %.1f ms\n",
                save1k * 1e3, save1m * 1e3, plain1k * 1e3, plain1m * 1e3, start1k * 1e3, start10m * 1e3);
    bench::PrintRatio("save per byte, 1 MB / 1 KB", (save1m / bytes1m) / (save1k / bytes1k), 2);
    bench::PrintRatio("save / plain write+fsync+rename, 1 KB", save1k / plain1k, 2);
    bench::PrintRatio("save / plain write+fsync+rename, 1 MB", save1m / plain1m, 2);
    std::printf("median wall time: save in place 1 KB %.3f ms, 1 MB %.3f ms; plain write+fsync 1 KB %.3f ms, "
                "1 MB %.3f ms; rewrite of the same blocks+fsync 1 KB %.3f ms, 1 MB %.3f ms\n",
                inPlace1k * 1e3, inPlace1m * 1e3, write1k * 1e3, write1m * 1e3, rewrite1k * 1e3,
                rewrite1m * 1e3);
    bench::PrintRatio("save in place (journaled) / plain write+fsync, 1 KB", inPlace1k / write1k, 3);
    bench::PrintRatio("save in place (journaled) / plain write+fsync, 1 MB", inPlace1m / write1m, 3);
    // For information: against overwriting the file's own blocks, which
    // changes no metadata but the time and so syncs cheapest of all.
    std::printf("save in place (journaled) / rewrite of the same blocks+fsync: 1 KB %.3g, 1 MB %.3g\n",
                inPlace1k / rewrite1k, inPlace1m / rewrite1m);
    bench::PrintRatio("start per byte, 10 MB / 1 KB", (start10m / s10m) / (start1k / s1k), 2);
    benchmark::Shutdown();
    return 0;
}
