#pragma once
#include "cli/Command.h"

// help [COMMAND]: the usage of the program or of one command.
class HelpCommand : public Command
{
  public:
    HelpCommand();

  protected:
    int execute(const QCommandLineParser &parser, CommandContext &context) override;
};
