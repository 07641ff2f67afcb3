#pragma once
// The pixolan subcommands. Each declares its options on its own CLI11
// subcommand and returns the action that runs it after parsing; the action
// prints the result on stdout and returns the exit code; bad input throws
// cli::Error.
#include <functional>

namespace CLI
{
class App;
}

namespace cli
{
using Action = std::function<int()>;

struct Command
{
  const char* name;
  const char* summary;
  /// Declares the description, options and footer on `app`; returns what runs the command.
  Action (*declare)(CLI::App& app);
};

// Every subcommand, in the order of the help listing. A new command is its
// Cmd*.cpp defining `const Command kName` and one entry here.
#define PIXOLAN_COMMANDS(X) X(kInfo) X(kObjects) X(kDetectCircles) X(kDetectWells) X(kFilter) X(kResize) X(kConvert) X(kSynth) X(kDemo)

#define PIXOLAN_DECLARE_COMMAND(command) extern const Command command;
PIXOLAN_COMMANDS(PIXOLAN_DECLARE_COMMAND)
#undef PIXOLAN_DECLARE_COMMAND
} // namespace cli
