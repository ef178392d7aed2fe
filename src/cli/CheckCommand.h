#pragma once
#include "cli/Command.h"

// check: reads the file as the window's start does and tells what it would not take as stored.
class CheckCommand : public Command
{
  public:
    CheckCommand();

  protected:
    int execute(const QCommandLineParser &parser, CommandContext &context) override;
};
