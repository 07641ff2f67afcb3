// pixolan: command-line access to the image library.
#include <cstring>
#include <exception>
#include <iostream>
#include <memory>
#include <string>
#include <vector>

#include <CLI/CLI.hpp>
#include <opencv2/core.hpp>

#include "CliSupport.h"
#include "Commands.h"

namespace
{
#define PIXOLAN_COMMAND_ADDRESS(command) &cli::command,
const cli::Command* const kCommands[] = {PIXOLAN_COMMANDS(PIXOLAN_COMMAND_ADDRESS)};
#undef PIXOLAN_COMMAND_ADDRESS

/// Help texts start with the usage line, then the description, options and notes.
class HelpFormatter : public CLI::Formatter
{
public:
  HelpFormatter() { label("Usage", "usage"); }
  std::string make_help(const CLI::App* app, std::string name, CLI::AppFormatMode mode) const override
  {
    if (mode == CLI::AppFormatMode::Sub)
      return make_expanded(app);
    std::string description = make_description(app);
    return make_usage(app, name) + (description.empty() ? "" : "\n" + description) + make_positionals(app) +
           make_groups(app, mode) + make_subcommands(app, mode) + "\n" + make_footer(app);
  }
};

std::string FirstLine(const std::string& text)
{
  return text.substr(0, text.find('\n'));
}
} // namespace

int main(int argc, char** argv)
{
  CLI::App app("Image analysis from the command line.", "pixolan");
  app.formatter(std::make_shared<HelpFormatter>());
  app.set_version_flag("--version", std::string("pixolan ") + PIXOLAN_VERSION);
  app.require_subcommand(1);
  app.footer("pixolan <command> --help describes each command.");

  std::vector<std::pair<CLI::App*, cli::Action>> actions;
  for (const cli::Command* c : kCommands)
  {
    CLI::App* sub = app.add_subcommand(c->name, c->summary);
    actions.emplace_back(sub, c->declare(*sub));
  }

  if (argc >= 2 && argv[1][0] != '-')
  {
    bool known = false;
    for (const cli::Command* c : kCommands)
      known = known || std::strcmp(argv[1], c->name) == 0;
    if (!known)
    {
      std::cerr << "pixolan: unknown command '" << argv[1] << "' (see pixolan --help)\n";
      return cli::kExitUsage;
    }
  }
  const std::string name = argc >= 2 && argv[1][0] != '-' ? std::string(argv[1]) : std::string();
  const std::string prefix = name.empty() ? "pixolan: " : "pixolan " + name + ": ";

  try
  {
    app.parse(argc, argv);
  }
  catch (const CLI::CallForHelp&)
  {
    std::cout << app.help();
    return 0;
  }
  catch (const CLI::CallForVersion&)
  {
    std::cout << app.version() << "\n";
    return 0;
  }
  catch (const CLI::ParseError& e)
  {
    if (argc < 2)
      std::cerr << app.help();
    else
      std::cerr << prefix << FirstLine(e.what()) << "\n";
    return cli::kExitUsage;
  }

  for (const auto& [sub, action] : actions)
  {
    if (!sub->parsed())
      continue;
    try
    {
      return action();
    }
    catch (const cli::Error& e)
    {
      std::cerr << prefix << FirstLine(e.what()) << "\n";
      return e.ExitCode();
    }
    catch (const cv::Exception& e)
    {
      // OpenCV's messages span lines; the first line of its reason is enough here.
      std::cerr << prefix << FirstLine(e.err.empty() ? std::string(e.what()) : e.err) << "\n";
      return cli::kExitFailure;
    }
    catch (const std::exception& e)
    {
      std::cerr << prefix << FirstLine(e.what()) << "\n";
      return cli::kExitFailure;
    }
  }
  return cli::kExitUsage;
}
