#include "cli/Cli.h"
#include "cli/Console.h"

#include <QCoreApplication>
#include <QDir>

int main(int argc, char **argv)
{
    QCoreApplication app(argc, argv);
    QList<QByteArray> arguments;
    for (int i = 1; i < argc; ++i)
        arguments.append(QByteArray(argv[i]));
    // The settings file beside the installed editor, which is our directory.
    const QString settings =
        QDir(QCoreApplication::applicationDirPath()).absoluteFilePath(QStringLiteral("DAZovozoved.ini"));
    return RunCli(arguments, Console::standard(), settings);
}
