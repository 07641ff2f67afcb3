// pixolan: command-line access to the image library.
#include <cstring>
#include <exception>
#include <iostream>
#include <string>

#include <opencv2/core.hpp>

#include "CliSupport.h"
#include "Commands.h"

namespace
{
const cli::Command* const kCommands[] = {&cli::kInfo,    &cli::kObjects, &cli::kFilter, &cli::kResize,
                                         &cli::kConvert, &cli::kSynth,   &cli::kDemo};

void PrintUsage(std::ostream& out)
{
  out << "usage: pixolan <command> [arguments]   (pixolan <command> --help for details)\n\ncommands:\n";
  for (const cli::Command* c : kCommands)
  {
    std::string name = c->name;
    name.resize(10, ' ');
    out << "  " << name << c->summary << "\n";
  }
}
} // namespace

int main(int argc, char** argv)
{
  if (argc < 2)
  {
    PrintUsage(std::cerr);
    return cli::kExitUsage;
  }
  if (std::strcmp(argv[1], "--help") == 0 || std::strcmp(argv[1], "-h") == 0 || std::strcmp(argv[1], "help") == 0)
  {
    PrintUsage(std::cout);
    return 0;
  }
  const std::string name = argv[1];
  for (const cli::Command* command : kCommands)
  {
    if (name != command->name)
      continue;
    try
    {
      return command->run(argc - 2, argv + 2);
    }
    catch (const cli::Error& e)
    {
      std::cerr << "pixolan " << name << ": " << e.what() << "\n";
      return e.ExitCode();
    }
    catch (const cv::Exception& e)
    {
      // OpenCV's messages span lines; the first line of its reason is enough here.
      std::string reason = e.err.empty() ? std::string(e.what()) : e.err;
      reason = reason.substr(0, reason.find('\n'));
      std::cerr << "pixolan " << name << ": " << reason << "\n";
      return cli::kExitFailure;
    }
    catch (const std::exception& e)
    {
      std::string reason = e.what();
      std::cerr << "pixolan " << name << ": " << reason.substr(0, reason.find('\n')) << "\n";
      return cli::kExitFailure;
    }
  }
  std::cerr << "pixolan: unknown command '" << name << "' (see pixolan --help)\n";
  return cli::kExitUsage;
}
