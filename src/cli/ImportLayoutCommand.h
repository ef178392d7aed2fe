#pragma once
#include "cli/Command.h"

// import-layout FILE [KEY=VALUE...]: the layout's 17 values saved as the window saves them after loading the
// layout and then taking the values given (as set takes them), in one save; the other connection settings
// stay.
class ImportLayoutCommand : public Command
{
  public:
    ImportLayoutCommand();

  protected:
    int execute(const QCommandLineParser &parser, CommandContext &context) override;
};
