// The editor's start-up as the operator sees it, watched from outside the
// program: the time from the exec of the program to the first map of a
// top-level window on a real X server (a virtual one, Xvfb, started here for
// this run), against a bare Qt Widgets program that shows a plain window of
// the editor's size (goal: at most 1.2 times its median).
//
// Every start runs in a fresh folder of its own, the program linked (or
// copied) into it and the folder its working folder: the editor reads
// DAZovozoved.ini beside its executable and logo.png from its working folder,
// and neither is there, so it starts with its built-in values as on a new
// display PC. Its state and layout folders ($XDG_STATE_HOME,
// $XDG_DATA_HOME) point into that folder too. The two programs start in
// turns, the order swapped every pair, so that a changing load weighs on
// both. Once its window is mapped a program is ended (SIGTERM to its process
// group) and waited for; Xvfb is ended when the runs are done.
#include "support/BenchMain.h"
#include "support/MedianReporter.h"

#include <QByteArray>
#include <QDir>
#include <QFile>
#include <QFileInfo>
#include <QList>
#include <QSize>
#include <QTemporaryDir>

#include <benchmark/benchmark.h>

#include <cerrno>
#include <chrono>
#include <csignal>
#include <cstdio>
#include <cstring>
#include <fcntl.h>
#include <map>
#include <optional>
#include <poll.h>
#include <string>
#include <sys/prctl.h>
#include <sys/wait.h>
#include <unistd.h>
#include <utility>
#include <vector>

// Last: Xlib's macros (None, Bool, Status, True, ...) clash with the headers
// above.
#include <X11/Xatom.h>
#include <X11/Xlib.h>

extern char **environ;

namespace
{

using Clock = std::chrono::steady_clock;

double MsSince(Clock::time_point start)
{
    return std::chrono::duration<double, std::milli>(Clock::now() - start).count();
}

// How long a program may take to show its window, and to end once told to.
constexpr int kMapTimeoutMs = 30000;
constexpr int kEndTimeoutMs = 5000;

// True once the child `pid` has ended; it stays unreaped (a zombie), so its
// pid and process group id cannot be taken by another process meanwhile.
bool Ended(pid_t pid)
{
    siginfo_t info{};
    if (::waitid(P_PID, id_t(pid), &info, WEXITED | WNOHANG | WNOWAIT) != 0)
        return errno != EINTR;
    return info.si_pid == pid;
}

bool WaitEnded(pid_t pid, int ms)
{
    const Clock::time_point start = Clock::now();
    while (!Ended(pid)) {
        if (MsSince(start) >= ms)
            return false;
        ::usleep(2000);
    }
    return true;
}

// Ends the process group that the child `pid` leads, politely first, and
// reaps the child. What else the program started in its group goes with it.
void EndGroup(pid_t pid)
{
    ::kill(-pid, SIGTERM);
    if (!WaitEnded(pid, kEndTimeoutMs)) {
        ::kill(-pid, SIGKILL);
        WaitEnded(pid, kEndTimeoutMs);
    }
    ::kill(-pid, SIGKILL);
    int status = 0;
    while (::waitpid(pid, &status, 0) < 0 && errno == EINTR) {
    }
}

// Starts `arguments` (looked up in PATH) in a process group of its own, in
// `folder`, with `environment`, stdin from /dev/null and stdout and stderr to
// `log`; `passFd`, when given, becomes the child's fd 3. The child gets
// SIGTERM should this program die before it. -1 when fork() failed.
pid_t Start(const QList<QByteArray> &arguments, const QList<QByteArray> &environment,
            const QByteArray &folder, const QByteArray &log, int passFd = -1)
{
    // Everything the child needs is prepared here: after fork() it only
    // makes system calls.
    std::vector<char *> argv;
    for (const QByteArray &a : arguments)
        argv.push_back(const_cast<char *>(a.constData()));
    argv.push_back(nullptr);
    std::vector<char *> envp;
    for (const QByteArray &e : environment)
        envp.push_back(const_cast<char *>(e.constData()));
    envp.push_back(nullptr);
    const pid_t parent = ::getpid();
    const pid_t pid = ::fork();
    if (pid != 0) {
        if (pid > 0)
            ::setpgid(pid, pid);
        return pid;
    }
    ::setpgid(0, 0);
    ::prctl(PR_SET_PDEATHSIG, SIGTERM);
    if (::getppid() != parent)
        ::_exit(127);
    const int in = ::open("/dev/null", O_RDONLY);
    const int out = ::open(log.constData(), O_WRONLY | O_CREAT | O_APPEND, 0644);
    if (in < 0 || out < 0 || ::dup2(in, 0) < 0 || ::dup2(out, 1) < 0 || ::dup2(out, 2) < 0)
        ::_exit(127);
    int firstToClose = 3;
    if (passFd >= 0) {
        if (passFd == 3 ? ::fcntl(3, F_SETFD, 0) < 0 : ::dup2(passFd, 3) < 0)
            ::_exit(127);
        firstToClose = 4;
    }
    ::close_range(unsigned(firstToClose), ~0U, 0);
    if (::chdir(folder.constData()) != 0)
        ::_exit(127);
    ::execvpe(argv[0], argv.data(), envp.data());
    // Only the log can say why; the exit status is the same either way.
    const char failed[] = ": could not be run\n";
    ssize_t written = ::write(2, argv[0], std::strlen(argv[0]));
    written += ::write(2, failed, sizeof failed - 1);
    static_cast<void>(written);
    ::_exit(127);
}

QList<QByteArray> InheritedEnvironment()
{
    QList<QByteArray> environment;
    for (char **e = environ; *e; ++e)
        environment.append(*e);
    return environment;
}

// The last lines of a log, indented, for a message.
QByteArray Tail(const QString &path)
{
    QFile f(path);
    if (!f.open(QIODevice::ReadOnly))
        return "    (no output)\n";
    QList<QByteArray> lines = f.readAll().trimmed().split('\n');
    if (lines.size() > 12)
        lines = lines.mid(lines.size() - 12);
    QByteArray text;
    for (const QByteArray &line : lines)
        text += "    " + line + "\n";
    return text;
}

// Errors for windows that are gone by the time they are asked about are
// expected here; Xlib's default handler would end the program.
int IgnoreXErrors(Display *, XErrorEvent *)
{
    return 0;
}

// A virtual X server of this run, and this program's connection to it, which
// listens to every window mapped on the root.
class XServer
{
  public:
    ~XServer() { stop(); }

    // Starts Xvfb on a display number it picks itself (its output goes to
    // xvfb.log in `folder`) and connects; false, with what went wrong in
    // `problem`, when it cannot.
    bool start(const QString &folder, QString &problem)
    {
        m_log = folder + QStringLiteral("/xvfb.log");
        int fds[2];
        if (::pipe2(fds, O_CLOEXEC) != 0) {
            problem = QStringLiteral("no pipe: %1").arg(QString::fromLocal8Bit(std::strerror(errno)));
            return false;
        }
        m_pid = Start({"Xvfb", "-displayfd", "3", "-screen", "0", "1280x1024x24", "-nolisten", "tcp"},
                      InheritedEnvironment(), QFile::encodeName(folder), QFile::encodeName(m_log), fds[1]);
        ::close(fds[1]);
        const QByteArray number = readNumber(fds[0]);
        ::close(fds[0]);
        if (m_pid < 0 || number.isEmpty()) {
            problem = QStringLiteral("Xvfb did not start (is the package xvfb installed?); its output:\n") +
                      QString::fromLocal8Bit(Tail(m_log));
            return false;
        }
        m_name = ":" + number;
        const Clock::time_point start = Clock::now();
        while (!(m_display = XOpenDisplay(m_name.constData())) && MsSince(start) < 10000 && !Ended(m_pid))
            ::usleep(50000);
        if (!m_display) {
            problem =
                QStringLiteral("Xvfb on %1 does not answer; its output:\n").arg(QString::fromLatin1(m_name)) +
                QString::fromLocal8Bit(Tail(m_log));
            return false;
        }
        XSetErrorHandler(IgnoreXErrors);
        m_root = DefaultRootWindow(m_display);
        m_wmPid = XInternAtom(m_display, "_NET_WM_PID", False);
        XSelectInput(m_display, m_root, SubstructureNotifyMask);
        XSync(m_display, False);
        return true;
    }

    void stop()
    {
        if (m_display)
            XCloseDisplay(m_display);
        m_display = nullptr;
        if (m_pid > 0)
            EndGroup(m_pid);
        m_pid = -1;
    }

    const QByteArray &name() const { return m_name; }

    // Forgets what the server has told so far.
    void discardEvents() { XSync(m_display, True); }

    // Waits up to `ms` for the first top-level window of the child `pid` to be
    // mapped and gives the window; nothing when the child ended first or the
    // time ran out. A window that names another process as its owner
    // (_NET_WM_PID) is passed over.
    std::optional<Window> waitForMap(pid_t pid, int ms)
    {
        const Clock::time_point start = Clock::now();
        const int fd = ConnectionNumber(m_display);
        while (MsSince(start) < ms) {
            while (XPending(m_display)) {
                XEvent event;
                XNextEvent(m_display, &event);
                if (event.type == MapNotify && event.xmap.event == m_root && !event.xmap.override_redirect &&
                    ownedBy(event.xmap.window, pid))
                    return event.xmap.window;
            }
            if (Ended(pid))
                return {};
            pollfd wait{fd, POLLIN, 0};
            ::poll(&wait, 1, 20);
        }
        return {};
    }

    QSize size(Window window)
    {
        XWindowAttributes attributes;
        if (!XGetWindowAttributes(m_display, window, &attributes))
            return {};
        return {attributes.width, attributes.height};
    }

  private:
    // Xvfb writes its display number and a line feed once it listens.
    static QByteArray readNumber(int fd)
    {
        QByteArray number;
        const Clock::time_point start = Clock::now();
        while (MsSince(start) < 30000) {
            pollfd wait{fd, POLLIN, 0};
            if (::poll(&wait, 1, 100) <= 0)
                continue;
            char c = 0;
            const ssize_t got = ::read(fd, &c, 1);
            if (got < 0 && errno == EINTR)
                continue;
            if (got <= 0 || c == '\n')
                break;
            number += c;
        }
        return number;
    }

    bool ownedBy(Window window, pid_t pid)
    {
        Atom type = 0;
        int format = 0;
        unsigned long count = 0, after = 0;
        unsigned char *data = nullptr;
        if (XGetWindowProperty(m_display, window, m_wmPid, 0, 1, False, XA_CARDINAL, &type, &format, &count,
                               &after, &data) != Success)
            return false;
        const bool named = data && format == 32 && count == 1;
        const bool own = !named || pid_t(*reinterpret_cast<unsigned long *>(data)) == pid;
        if (data)
            XFree(data);
        return own;
    }

    pid_t m_pid = -1;
    QString m_log;
    QByteArray m_name;
    Display *m_display = nullptr;
    Window m_root = 0;
    Atom m_wmPid = 0;
};

XServer *g_server = nullptr;
QString g_root;
QByteArray g_editor;
QByteArray g_bare;
// The size of each program's first mapped window, for the summary.
std::map<QByteArray, QSize> g_windowSizes;

// The environment of a start in `folder`: the server of this run through
// xcb, whatever this program was given, and no D-Bus session bus (Qt would
// start one through dbus-launch, which outlives the program).
QList<QByteArray> ChildEnvironment(const QString &folder)
{
    const QByteArray path = QFile::encodeName(folder);
    const QList<QByteArray> own = {"QT_QPA_PLATFORM=xcb", "DISPLAY=" + g_server->name(),
                                   "DBUS_SESSION_BUS_ADDRESS=disabled:", "XDG_STATE_HOME=" + path + "/state",
                                   "XDG_DATA_HOME=" + path + "/data"};
    QList<QByteArray> environment;
    for (const QByteArray &e : InheritedEnvironment()) {
        const QByteArray name = e.left(e.indexOf('=') + 1);
        bool replaced = false;
        for (const QByteArray &o : own)
            replaced = replaced || o.startsWith(name);
        if (!replaced)
            environment.append(e);
    }
    return environment + own;
}

// Starts `program` in a fresh folder and gives the milliseconds from its exec
// to the map of its window; nothing, with the reason in `problem`, when it
// showed none.
std::optional<double> TimeToFirstMap(const QByteArray &program, QString &problem)
{
    const QString source = QFile::decodeName(program);
    const QString name = QFileInfo(source).fileName();
    QTemporaryDir run(g_root + QStringLiteral("/run-XXXXXX"));
    const QString placed = run.path() + QLatin1Char('/') + name;
    // A hard link keeps the program's own path out of the way, where a
    // settings file might lie; a copy where the folders are on two file
    // systems.
    const bool there =
        run.isValid() &&
        (::link(program.constData(), QFile::encodeName(placed).constData()) == 0 ||
         (QFile::copy(source, placed) && QFile::setPermissions(placed, QFile::permissions(source))));
    if (!there || QFile::exists(run.path() + QStringLiteral("/DAZovozoved.ini"))) {
        problem = QStringLiteral("%1 could not be placed in a fresh folder").arg(name);
        return {};
    }
    const QString log = run.path() + QStringLiteral("/output.log");
    const QList<QByteArray> environment = ChildEnvironment(run.path());
    const QList<QByteArray> arguments = {QFile::encodeName(placed)};
    g_server->discardEvents();

    const Clock::time_point start = Clock::now();
    const pid_t pid = Start(arguments, environment, QFile::encodeName(run.path()), QFile::encodeName(log));
    if (pid < 0) {
        problem = QStringLiteral("%1 could not be started").arg(name);
        return {};
    }
    const std::optional<Window> window = g_server->waitForMap(pid, kMapTimeoutMs);
    const double ms = MsSince(start);

    if (window && !g_windowSizes.count(program))
        g_windowSizes[program] = g_server->size(*window);
    const bool endedEarly = !window && Ended(pid);
    EndGroup(pid);
    if (!window) {
        problem = endedEarly ? QStringLiteral("%1 ended before a window of it was mapped").arg(name)
                             : QStringLiteral("no window of %1 was mapped within %2 s")
                                   .arg(name)
                                   .arg(kMapTimeoutMs / 1000);
        problem += QStringLiteral("; its output:\n") + QString::fromLocal8Bit(Tail(log));
        return {};
    }
    return ms;
}

// One start of each program per iteration, the order swapped every
// iteration; one iteration per repetition gives one pair per repetition.
void BM_StartupVersusBareWidgets(benchmark::State &state)
{
    static int pair = 0;
    double editor = 0;
    double bare = 0;
    QString problem;
    for (auto _ : state) {
        const bool editorFirst = pair++ % 2 == 0;
        for (int turn = 0; turn < 2 && problem.isEmpty(); ++turn) {
            const bool isEditor = (turn == 0) == editorFirst;
            if (const std::optional<double> ms = TimeToFirstMap(isEditor ? g_editor : g_bare, problem))
                (isEditor ? editor : bare) += *ms;
        }
    }
    if (!problem.isEmpty()) {
        std::fprintf(stderr, "%s\n", problem.toLocal8Bit().constData());
        state.SkipWithError("a program showed no window");
        return;
    }
    state.counters["editor_ms"] = benchmark::Counter(editor, benchmark::Counter::kAvgIterations);
    state.counters["bare_ms"] = benchmark::Counter(bare, benchmark::Counter::kAvgIterations);
}

BENCHMARK(BM_StartupVersusBareWidgets)
    ->Repetitions(bench::Smoke() ? 2 : 25)
    ->Iterations(1)
    ->UseRealTime()
    ->Unit(benchmark::kMillisecond);

} // namespace

int main(int argc, char **argv)
{
    if (!bench::Initialize(argc, argv, 25))
        return 1;
    g_editor = VAD_EDITOR;
    g_bare = VAD_BARE;
    QTemporaryDir root(QDir::tempPath() + QStringLiteral("/bench_startup-XXXXXX"));
    XServer server;
    QString problem;
    if (!root.isValid() || !server.start(root.path(), problem)) {
        std::fprintf(stderr, "bench_startup: error: no X server could be started, nothing was measured: %s\n",
                     root.isValid() ? problem.toLocal8Bit().constData() : "no temporary folder");
        return 1;
    }
    g_server = &server;
    g_root = root.path();
    std::printf("X server: Xvfb on %s\n", server.name().constData());

    // One untimed start of each first: every timed start then finds the
    // programs' files in the cache, and one that shows no window stops the
    // run here.
    for (const QByteArray &program : {g_editor, g_bare}) {
        if (!TimeToFirstMap(program, problem)) {
            std::fprintf(stderr, "bench_startup: error: %s\n", problem.toLocal8Bit().constData());
            return 1;
        }
    }

    // One value per repetition and side.
    std::map<std::string, std::vector<double>> sides;
    bench::MedianReporter<std::string> collector(
        [&](const bench::Run &run) -> std::optional<std::pair<std::string, double>> {
            if (!bench::IsTimedIteration(run))
                return {};
            for (const char *side : {"editor_ms", "bare_ms"}) {
                const auto it = run.counters.find(side);
                if (it != run.counters.end())
                    sides[side].push_back(it->second.value);
            }
            return {};
        });
    benchmark::RunSpecifiedBenchmarks(&collector);
    server.stop();

    const std::vector<double> &editorRuns = sides["editor_ms"];
    const std::vector<double> &bareRuns = sides["bare_ms"];
    const double editor = bench::Median(editorRuns);
    const double bare = bench::Median(bareRuns);
    if (editor == 0 || bare == 0 || editorRuns.size() != bareRuns.size()) {
        std::printf("ratios: some runs are missing\n");
        return 1;
    }
    const QSize editorWindow = g_windowSizes[g_editor];
    const QSize bareWindow = g_windowSizes[g_bare];
    std::printf("\nmedian time from exec to the first window map (%zu pairs): editor %.1f ms (window %dx%d), "
                "bare Qt Widgets window %.1f ms (window %dx%d)\n",
                editorRuns.size(), editor, editorWindow.width(), editorWindow.height(), bare,
                bareWindow.width(), bareWindow.height());
    bench::PrintRatio("editor start to first window map / bare QWidget start to first window map",
                      editor / bare, 1.2);
    benchmark::Shutdown();
    return 0;
}
