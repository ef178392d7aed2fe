#pragma once
#include <QByteArray>
#include <QProcess>
#include <QProcessEnvironment>
#include <QStringList>

// The built command line, run as a script runs it: no display, no platform
// plugin asked for.
struct CliRun {
    bool finished = false;
    int exitCode = -1;
    QByteArray out;
    QByteArray err;
};

inline QProcessEnvironment CliEnvironment()
{
    QProcessEnvironment env = QProcessEnvironment::systemEnvironment();
    for (const char *name : {"DISPLAY", "WAYLAND_DISPLAY", "QT_QPA_PLATFORM"})
        env.remove(QString::fromLatin1(name));
    return env;
}

// `input` goes to its standard input, which is then closed.
inline CliRun RunCliProcess(const QStringList &arguments, const QProcessEnvironment &env = CliEnvironment(),
                            const QString &workingDirectory = QString(),
                            const QByteArray &input = QByteArray())
{
    QProcess process;
    process.setProcessEnvironment(env);
    if (!workingDirectory.isEmpty())
        process.setWorkingDirectory(workingDirectory);
    process.start(QStringLiteral(VAD_CLI), arguments);
    if (process.waitForStarted(120000)) {
        process.write(input);
        process.closeWriteChannel();
    }
    CliRun run;
    // Generous: a loaded machine or a sanitizer build must still finish.
    run.finished = process.waitForFinished(120000) && process.exitStatus() == QProcess::NormalExit;
    run.exitCode = process.exitCode();
    run.out = process.readAllStandardOutput();
    run.err = process.readAllStandardError();
    return run;
}
