#pragma once
#include "cli/Command.h"

// list: every key with the text the start reads for it; passwords hidden unless asked for.
class ListCommand : public Command
{
  public:
    ListCommand();

  protected:
    int execute(const QCommandLineParser &parser, CommandContext &context) override;
};
