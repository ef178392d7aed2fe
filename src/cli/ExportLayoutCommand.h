#pragma once
#include "cli/Command.h"

// export-layout FILE: the 17 look settings as a save would write them now, optionally with the logo, as a
// layout file.
class ExportLayoutCommand : public Command
{
  public:
    ExportLayoutCommand();

  protected:
    int execute(const QCommandLineParser &parser, CommandContext &context) override;
};
