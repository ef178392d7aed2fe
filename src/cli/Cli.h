#pragma once
#include "cli/Command.h"

#include <QByteArray>
#include <QList>
#include <QString>

#include <memory>
#include <vector>

class Console;

// Every command, in the order the usage lists them.
std::vector<std::unique_ptr<Command>> AllCommands();

// The program's usage, as --help and "help" print it.
QString MainUsage(const std::vector<std::unique_ptr<Command>> &commands);

// Runs the command line `arguments` (without the program's name) on the
// settings file `defaultSettings` unless --file names another. Returns the
// exit status; failures are told on the console's message side.
int RunCli(const QList<QByteArray> &arguments, const Console &console, const QString &defaultSettings);
