#pragma once
#include "cli/Command.h"

// set KEY=VALUE...: what the window's save writes after those values were put into its controls, all in one
// save.
class SetCommand : public Command
{
  public:
    SetCommand();

  protected:
    int execute(const QCommandLineParser &parser, CommandContext &context) override;
};
