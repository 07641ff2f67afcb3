// pixolan filter: any filter the factory knows, built from its registered
// name and constructor parameters.
#include <any>
#include <climits>
#include <cfloat>
#include <iostream>
#include <memory>
#include <sstream>
#include <utility>
#include <vector>

#include <pixolan/filters/PxFilterTypes.h>
#include <pixolan/filters/TCPxFilterFactory.h>
#include <pixolan/filters/TCPxImageFilter.h>
#include <pixolan/model/TCPxImageBase.h>

#include "CliSupport.h"
#include "Commands.h"

namespace cli
{
namespace
{
const char* const kUsage =
    "usage: pixolan filter --list [--json]\n"
    "       pixolan filter NAME IMAGE OUT --param NAME=VALUE ...\n"
    "\n"
    "Applies a filter of the filter factory to IMAGE and writes the result to OUT.\n"
    "NAME is the filter's name as --list shows it; every constructor parameter\n"
    "is given once with --param. Enumerated parameters take the enumerator's\n"
    "name (Open, SobelHoriz, ...) or its number. A filter that does not accept\n"
    "the image's pixel type leaves it unchanged.\n"
    "\n"
    "  --list          the registered filters with their parameters\n"
    "  --json          with --list: a JSON array\n"
    "  --param K=V     one constructor parameter\n";

struct Parameter
{
  std::string type;
  std::string name;
};

/// Splits a registered "type name" string at its last space.
Parameter SplitParameter(const std::string& text)
{
  const auto space = text.find_last_of(' ');
  if (space == std::string::npos)
    return {text, text};
  return {text.substr(0, space), text.substr(space + 1)};
}

/// Enumerators the tool accepts by name, per parameter type.
const std::vector<std::pair<std::string, int>>* EnumeratorsOf(const std::string& type)
{
  static const std::vector<std::pair<std::string, int>> morphology = {
      {"Erode", Px::Erode},
      {"Dilate", Px::Dilate},
      {"Open", Px::Open},
      {"Close", Px::Close},
      {"ErodeCircular", Px::ErodeCircular},
      {"DilateCircular", Px::DilateCircular},
      {"OpenCircular", Px::OpenCircular},
      {"CloseCircular", Px::CloseCircular}};
  static const std::vector<std::pair<std::string, int>> fixed = {
      {"Laplacian", static_cast<int>(Px::EFixedFilters::Laplacian)},
      {"Lowpass", static_cast<int>(Px::EFixedFilters::Lowpass)},
      {"ScharrHoriz", static_cast<int>(Px::EFixedFilters::ScharrHoriz)},
      {"ScharrVert", static_cast<int>(Px::EFixedFilters::ScharrVert)},
      {"Sharpen", static_cast<int>(Px::EFixedFilters::Sharpen)},
      {"SobelCross", static_cast<int>(Px::EFixedFilters::SobelCross)},
      {"SobelHoriz", static_cast<int>(Px::EFixedFilters::SobelHoriz)},
      {"SobelHorizSecond", static_cast<int>(Px::EFixedFilters::SobelHorizSecond)},
      {"SobelVert", static_cast<int>(Px::EFixedFilters::SobelVert)},
      {"SobelVertSecond", static_cast<int>(Px::EFixedFilters::SobelVertSecond)}};
  if (type == "EMorphologyTypes" || type == "Px::EMorphologyTypes")
    return &morphology;
  if (type == "EFixedFilters" || type == "Px::EFixedFilters")
    return &fixed;
  return nullptr;
}

int ParseEnumerator(const std::string& type, const std::string& text, const std::string& what)
{
  const auto* enumerators = EnumeratorsOf(type);
  for (const auto& [name, value] : *enumerators)
    if (name == text)
      return value;
  for (const auto& [name, value] : *enumerators)
    if (std::to_string(value) == text)
      return value;
  std::string known;
  for (const auto& entry : *enumerators)
    known += (known.empty() ? "" : ", ") + entry.first;
  throw UsageError(what + " must be one of " + known + ", not '" + text + "'");
}

/// The value as exactly the constructor argument's type.
std::any ParseValue(const Parameter& parameter, const std::string& text)
{
  const std::string what = "parameter " + parameter.name;
  const std::string& type = parameter.type;
  if (type == "int")
    return static_cast<int>(ParseInteger(text, INT_MIN, INT_MAX, what));
  if (type == "double")
    return ParseReal(text, -DBL_MAX, DBL_MAX, what);
  if (type == "float")
    return static_cast<float>(ParseReal(text, -FLT_MAX, FLT_MAX, what));
  if (type == "unsigned char")
    return static_cast<unsigned char>(ParseInteger(text, 0, 255, what));
  if (type == "bool")
  {
    if (text == "true" || text == "1")
      return true;
    if (text == "false" || text == "0")
      return false;
    throw UsageError(what + " must be true or false, not '" + text + "'");
  }
  if (type == "EMorphologyTypes" || type == "Px::EMorphologyTypes")
    return static_cast<Px::EMorphologyTypes>(ParseEnumerator(type, text, what));
  if (type == "EFixedFilters" || type == "Px::EFixedFilters")
    return static_cast<Px::EFixedFilters>(ParseEnumerator(type, text, what));
  throw UsageError(what + " has type '" + type + "', which the command line cannot express");
}

int List(bool json)
{
  const auto descriptions = TCPxFilterFactory::Instance()->GetDescriptions();
  std::ostringstream out;
  if (json)
    out << "[";
  bool first = true;
  for (const auto& d : descriptions)
  {
    if (json)
    {
      out << (first ? "" : ", ") << "{\"name\": " << JsonString(d.name) << ", \"value\": " << static_cast<int>(d.type)
          << ", \"parameters\": [";
      for (std::size_t i = 0; i < d.parameters.size(); ++i)
      {
        const Parameter p = SplitParameter(d.parameters[i]);
        out << (i ? ", " : "") << "{\"name\": " << JsonString(p.name) << ", \"type\": " << JsonString(p.type);
        if (const auto* enumerators = EnumeratorsOf(p.type))
        {
          out << ", \"values\": [";
          for (std::size_t k = 0; k < enumerators->size(); ++k)
            out << (k ? ", " : "") << JsonString((*enumerators)[k].first);
          out << "]";
        }
        out << "}";
      }
      out << "]}";
    }
    else
    {
      out << d.name << "(";
      for (std::size_t i = 0; i < d.parameters.size(); ++i)
        out << (i ? ", " : "") << d.parameters[i];
      out << ")\n";
    }
    first = false;
  }
  if (json)
    out << "]\n";
  std::cout << out.str();
  return 0;
}

int Apply(const Args& args)
{
  RequirePositional(args, 3, "NAME IMAGE OUT");
  const std::string& filterName = args.positional[0];
  TCPxFilterFactory* factory = TCPxFilterFactory::Instance();
  const auto descriptions = factory->GetDescriptions();
  const TCPxFilterDescription* description = nullptr;
  for (const auto& d : descriptions)
    if (d.name == filterName)
      description = &d;
  if (!description)
    throw UsageError("unknown filter '" + filterName + "' (see pixolan filter --list)");

  std::vector<Parameter> parameters;
  for (const auto& text : description->parameters)
    parameters.push_back(SplitParameter(text));
  std::vector<std::any> values(parameters.size());
  for (const std::string& assignment : args.Values("--param"))
  {
    const auto eq = assignment.find('=');
    if (eq == std::string::npos)
      throw UsageError("--param needs NAME=VALUE, not '" + assignment + "'");
    const std::string name = assignment.substr(0, eq);
    std::size_t index = 0;
    while (index < parameters.size() && parameters[index].name != name)
      ++index;
    if (index == parameters.size())
      throw UsageError("filter " + filterName + " has no parameter '" + name + "'");
    values[index] = ParseValue(parameters[index], assignment.substr(eq + 1));
  }
  for (std::size_t i = 0; i < parameters.size(); ++i)
    if (!values[i].has_value())
      throw UsageError("filter " + filterName + " needs --param " + parameters[i].name + "=... (" +
                       parameters[i].type + ")");

  const auto image = ReadImage(args.positional[1]);
  for (std::size_t i = 0; i < values.size(); ++i)
    factory->SetParameter(static_cast<int>(i) + 1, description->type, values[i]);
  std::unique_ptr<TCPxImageFilter> filter;
  try
  {
    filter.reset(factory->Create(description->type));
  }
  catch (const std::exception& e)
  {
    throw UsageError("filter " + filterName + " refuses these parameters: " + e.what());
  }
  if (!filter)
    throw UsageError("filter " + filterName + " cannot be built from these parameters");
  filter->ProcessImage(image.get(), nullptr);
  WriteImage(*image, args.positional[2]);
  return 0;
}

int Run(int argc, char** argv)
{
  const Args args = ParseArgs(argc, argv, {"--list", "--json"}, {"--param"});
  if (args.help)
  {
    std::cout << kUsage;
    return 0;
  }
  if (args.Has("--list"))
  {
    if (!args.positional.empty() || args.Has("--param"))
      throw UsageError("--list takes no other arguments");
    return List(args.Has("--json"));
  }
  if (args.Has("--json"))
    throw UsageError("--json applies to --list only");
  return Apply(args);
}
} // namespace

const Command kFilter = {"filter", "apply a filter of the filter factory", kUsage, Run};
} // namespace cli
