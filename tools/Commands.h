#pragma once
// The pixolan subcommands. Each takes the arguments after its name, prints
// its result on stdout and returns the exit code; bad input throws cli::Error.

namespace cli
{
struct Command
{
  const char* name;
  const char* summary;
  const char* usage; ///< full help text of the subcommand
  int (*run)(int argc, char** argv);
};

extern const Command kInfo;
extern const Command kFilter;
extern const Command kObjects;
extern const Command kResize;
extern const Command kConvert;
extern const Command kSynth;
extern const Command kDemo;
} // namespace cli
