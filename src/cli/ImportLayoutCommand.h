#pragma once
#include "cli/Command.h"

// import-layout FILE: the layout's 17 values saved as the window saves them after loading the layout; the
// connection settings stay.
class ImportLayoutCommand : public Command
{
  public:
    ImportLayoutCommand();

  protected:
    int execute(const QCommandLineParser &parser, CommandContext &context) override;
};
