// pixolan filter: any filter the factory knows, built from its registered
// name and text parameters.
#include <iostream>
#include <memory>
#include <stdexcept>
#include <string>
#include <utility>
#include <vector>

#include <CLI/CLI.hpp>

#include <pixolan/filters/TCPxFilterFactory.h>
#include <pixolan/filters/TCPxImageFilter.h>
#include <pixolan/model/TCPxImageBase.h>

#include "CliSupport.h"
#include "Commands.h"

namespace cli
{
namespace
{
struct Options
{
  bool list = false;
  bool json = false;
  std::string name;
  std::string image;
  std::string out;
  std::vector<std::string> parameters;
};

std::string TypeCodeName(NPxImageTypes type)
{
  switch (type)
  {
  case ImageType8bit: return "8bit";
  case ImageType24bit: return "24bit";
  case ImageType32bit: return "32bit";
  case ImageTypeFloat: return "float";
  case ImageTypeInt32: return "int32";
  default: return std::to_string(static_cast<int>(type));
  }
}

Json DescribeParameter(const TCPxFilterParameter& p)
{
  Json j = {{"name", p.name}, {"type", p.type}, {"description", p.description}};
  j["default"] = p.kind == TCPxFilterParameter::Image ? Json(nullptr) : Json(p.defaultValue);
  if (p.HasRange())
    j["range"] = Json::array({Number(p.minimum), Number(p.maximum)});
  if (p.oddOnly)
    j["odd"] = true;
  if (!p.enumerators.empty())
  {
    Json names = Json::array();
    Json values = Json::object();
    for (const auto& [name, value] : p.enumerators)
    {
      names.push_back(name);
      values[name] = value;
    }
    j["values"] = names;
    j["enumerators"] = values;
  }
  return j;
}

int List(bool json)
{
  const auto descriptions = TCPxFilterFactory::Instance()->GetDescriptions();
  if (json)
  {
    Json table = Json::array();
    for (const auto& d : descriptions)
    {
      Json parameters = Json::array();
      for (const auto& p : d.parameters)
        parameters.push_back(DescribeParameter(p));
      Json accepts = Json::array();
      for (NPxImageTypes t : d.acceptedTypes)
        accepts.push_back(TypeCodeName(t));
      table.push_back({{"name", d.name},
                       {"value", static_cast<int>(d.type)},
                       {"summary", d.summary},
                       {"accepts", accepts},
                       {"parameters", parameters}});
    }
    std::cout << table.dump() << "\n";
    return 0;
  }
  std::string text;
  for (const auto& d : descriptions)
  {
    text += d.name + "(";
    for (std::size_t i = 0; i < d.parameters.size(); ++i)
      text += (i ? ", " : "") + d.parameters[i].Signature();
    text += ")  " + d.summary + "; images:";
    for (NPxImageTypes t : d.acceptedTypes)
      text += " " + TypeCodeName(t);
    text += "\n";
    for (const auto& p : d.parameters)
    {
      text += "    " + p.name + ": " + p.description;
      if (!p.enumerators.empty())
      {
        text += " (";
        for (std::size_t k = 0; k < p.enumerators.size(); ++k)
          text += (k ? ", " : "") + p.enumerators[k].first;
        text += ")";
      }
      else if (p.HasRange())
        text += " (" + Decimal(p.minimum) + " to " + Decimal(p.maximum) + (p.oddOnly ? ", odd" : "") + ")";
      if (!p.defaultValue.empty())
        text += ", default " + p.defaultValue;
      text += "\n";
    }
  }
  std::cout << text;
  return 0;
}

int Apply(const Options& options)
{
  if (options.name.empty() || options.image.empty() || options.out.empty())
    throw UsageError("expected NAME IMAGE OUT (or --list)");
  TCPxFilterFactory* factory = TCPxFilterFactory::Instance();
  if (!factory->FindDescription(options.name, nullptr))
    throw UsageError("unknown filter '" + options.name + "' (see pixolan filter --list)");
  TCPxFilterFactory::TextParameters parameters;
  for (const std::string& assignment : options.parameters)
  {
    const auto eq = assignment.find('=');
    if (eq == std::string::npos)
      throw UsageError("--param needs NAME=VALUE, not '" + assignment + "'");
    parameters.emplace_back(assignment.substr(0, eq), assignment.substr(eq + 1));
  }
  std::unique_ptr<TCPxImageFilter> filter;
  try
  {
    filter.reset(factory->CreateFromText(options.name, parameters));
  }
  catch (const std::invalid_argument& e)
  {
    throw UsageError(e.what());
  }
  if (!filter)
    throw UsageError("filter " + options.name + " cannot be built from these parameters");
  const auto image = ReadImage(options.image);
  filter->ProcessImage(image.get(), nullptr);
  WriteImage(*image, options.out);
  return 0;
}

Action Declare(CLI::App& app)
{
  auto options = std::make_shared<Options>();
  app.footer("Applies a filter of the filter factory to IMAGE and writes the result to OUT. NAME is the\n"
                  "filter's name as --list shows it; each constructor parameter may be given with --param,\n"
                  "the others take their defaults. Enumerated parameters take the enumerator's name (as\n"
                  "--list shows them) or its number. A filter that does not accept the image's pixel type\n"
                  "leaves it unchanged.");
  app.add_option("NAME", options->name, "the filter's name");
  app.add_option("IMAGE", options->image, "input image file");
  app.add_option("OUT", options->out, "output image file");
  auto* list = app.add_flag("--list", options->list, "the registered filters with their parameters");
  app.add_flag("--json", options->json, "with --list: a JSON array")->needs(list);
  app.add_option("--param", options->parameters, "one constructor parameter, NAME=VALUE")
      ->type_size(1)
      ->multi_option_policy(CLI::MultiOptionPolicy::TakeAll)
      ->excludes(list);
  return [options] {
    if (options->list)
    {
      if (!options->name.empty())
        throw UsageError("--list takes no other arguments");
      return List(options->json);
    }
    return Apply(*options);
  };
}
} // namespace

const Command kFilter = {"filter", "apply a filter of the filter factory", Declare};
} // namespace cli
