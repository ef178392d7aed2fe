#pragma once
#include "cli/Command.h"

// get KEY: the text the start reads for a key, stored or default, before any conversion.
class GetCommand : public Command
{
  public:
    GetCommand();

  protected:
    int execute(const QCommandLineParser &parser, CommandContext &context) override;
};
