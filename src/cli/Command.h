#pragma once
#include <QCommandLineOption>
#include <QCommandLineParser>
#include <QList>
#include <QString>
#include <QStringList>

#include <memory>
#include <vector>

class Console;
class Command;

// Exit status of the program, the same for every command.
enum ExitStatus { kDone = 0, kRefused = 1, kWrongUsage = 2 };

// What a command works on.
struct CommandContext {
    QString settingsPath; // the settings file
    const Console &console;
    const std::vector<std::unique_ptr<Command>> &commands; // for "help"
};

// One command of the command line: its name, a one-line description, the
// form of its arguments and its options. run() parses the command's own
// arguments and hands them to execute().
class Command
{
  public:
    virtual ~Command() = default;
    Command(const Command &) = delete;
    Command &operator=(const Command &) = delete;

    const QString &name() const { return m_name; }
    const QString &description() const { return m_description; }
    const QList<QCommandLineOption> &options() const { return m_options; }
    // The usage of this command, as "help COMMAND" prints it.
    QString usage() const;

    // `arguments` starts with the command's name.
    int run(const QStringList &arguments, CommandContext &context);

    // The option every command takes: another settings file.
    static QCommandLineOption fileOption();
    static QString programName();

  protected:
    // `syntax` is what follows the command's name in the usage ("KEY"); the
    // positional arguments are counted against min and max (-1: any number).
    Command(QString name, QString description, QString syntax, int minArguments, int maxArguments);
    void addOption(const QCommandLineOption &option) { m_options.append(option); }
    // More about the command, for its usage only.
    void setDetails(QString details) { m_details = std::move(details); }
    virtual int execute(const QCommandLineParser &parser, CommandContext &context) = 0;

  private:
    QString m_name;
    QString m_description;
    QString m_syntax;
    QString m_details;
    int m_min;
    int m_max;
    QList<QCommandLineOption> m_options;
};

// The options as the help lists them, one per line.
QString OptionLines(const QList<QCommandLineOption> &options);
// A text from outside (argument, key) shortened for a message.
QString Shown(const QString &text);
