// The filter table: parameter records of the registrations, and filters
// built from text parameters.
#include <pixolan/filters/TCPxFilterDescription.h>
#include <pixolan/filters/TCPxFilterFactory.h>

#include <cerrno>
#include <cmath>
#include <cstdio>
#include <cstdlib>
#include <stdexcept>

namespace
{
std::string NumberText(double value)
{
  char buffer[32];
  std::snprintf(buffer, sizeof(buffer), "%.10g", value);
  return buffer;
}

std::string RangeText(const TCPxFilterParameter& p)
{
  return "from " + NumberText(p.minimum) + " to " + NumberText(p.maximum);
}

int ParseInteger(const TCPxFilterParameter& p, const std::string& text, const std::string& what)
{
  errno = 0;
  char* end = nullptr;
  const long long value = std::strtoll(text.c_str(), &end, 10);
  const bool whole = !text.empty() && *end == '\0' && errno != ERANGE;
  if (!whole || value < p.minimum || value > p.maximum)
    throw std::invalid_argument(what + " must be a whole number " + RangeText(p) + ", not '" + text + "'");
  if (p.oddOnly && value % 2 == 0)
    throw std::invalid_argument(what + " must be odd, not '" + text + "'");
  return static_cast<int>(value);
}

double ParseReal(const TCPxFilterParameter& p, const std::string& text, const std::string& what)
{
  errno = 0;
  char* end = nullptr;
  const double value = std::strtod(text.c_str(), &end);
  const bool number = !text.empty() && *end == '\0' && errno != ERANGE && std::isfinite(value);
  if (!number || value < p.minimum || value > p.maximum)
    throw std::invalid_argument(what + " must be a number " + RangeText(p) + ", not '" + text + "'");
  return value;
}

std::any ParseEnumerator(const TCPxFilterParameter& p, const std::string& text, const std::string& what)
{
  for (const auto& [name, value] : p.enumerators)
    if (name == text)
      return p.makeEnumerator(value);
  for (const auto& [name, value] : p.enumerators)
    if (std::to_string(value) == text)
      return p.makeEnumerator(value);
  std::string known;
  for (const auto& entry : p.enumerators)
    known += (known.empty() ? "" : ", ") + entry.first;
  throw std::invalid_argument(what + " must be one of " + known + ", not '" + text + "'");
}

/// The value of one parameter as exactly the creator's argument type.
std::any ParseValue(const TCPxFilterParameter& p, const std::string& text, const std::string& what)
{
  switch (p.kind)
  {
  case TCPxFilterParameter::Integer: return ParseInteger(p, text, what);
  case TCPxFilterParameter::Real: return ParseReal(p, text, what);
  case TCPxFilterParameter::Enumeration: return ParseEnumerator(p, text, what);
  case TCPxFilterParameter::Image: break;
  }
  throw std::invalid_argument(what + " is an image and has no text form");
}
} // namespace

namespace
{
TCPxFilterParameter Record(const char* type, const char* name, const char* description,
                           TCPxFilterParameter::EKind kind)
{
  TCPxFilterParameter p;
  p.type = type;
  p.name = name;
  p.description = description;
  p.kind = kind;
  return p;
}
} // namespace

namespace PxFilterTable
{
TCPxFilterParameter Integer(const char* name, const char* description, int defaultValue, int minimum, int maximum,
                            bool oddOnly)
{
  TCPxFilterParameter p = Record("int", name, description, TCPxFilterParameter::Integer);
  p.defaultValue = std::to_string(defaultValue);
  p.minimum = minimum;
  p.maximum = maximum;
  p.oddOnly = oddOnly;
  return p;
}

TCPxFilterParameter Real(const char* name, const char* description, double defaultValue, double minimum,
                         double maximum)
{
  TCPxFilterParameter p = Record("double", name, description, TCPxFilterParameter::Real);
  p.defaultValue = NumberText(defaultValue);
  p.minimum = minimum;
  p.maximum = maximum;
  return p;
}

TCPxFilterParameter Image(const char* name, const char* description)
{
  return Record("const TCPxImageBase*", name, description, TCPxFilterParameter::Image);
}
} // namespace PxFilterTable

bool TCPxFilterFactory::FindDescription(const std::string& name, TCPxFilterDescription* description) const
{
  for (const auto& d : m_descriptions)
    if (d.name == name)
    {
      if (description)
        *description = d;
      return true;
    }
  return false;
}

std::vector<std::any> TCPxFilterFactory::ParseParameters(Px::EFilterTypes type, const TextParameters& text) const
{
  const TCPxFilterDescription* description = nullptr;
  for (const auto& d : m_descriptions)
    if (d.type == type)
      description = &d;
  if (!description)
    throw std::invalid_argument("no filter has the type value " + std::to_string(static_cast<int>(type)));

  const auto& parameters = description->parameters;
  std::vector<std::any> values(parameters.size());
  std::vector<bool> given(parameters.size(), false);
  for (const auto& [name, value] : text)
  {
    std::size_t index = 0;
    while (index < parameters.size() && parameters[index].name != name)
      ++index;
    if (index == parameters.size())
      throw std::invalid_argument("filter " + description->name + " has no parameter '" + name + "'");
    const std::string what = "parameter " + name + " of " + description->name;
    if (given[index])
      throw std::invalid_argument(what + " is given twice");
    given[index] = true;
    values[index] = ParseValue(parameters[index], value, what);
  }
  for (std::size_t i = 0; i < parameters.size(); ++i)
    if (!given[i] && parameters[i].kind != TCPxFilterParameter::Image)
      values[i] = ParseValue(parameters[i], parameters[i].defaultValue,
                             "default of parameter " + parameters[i].name + " of " + description->name);
  return values;
}

TCPxImageFilter* TCPxFilterFactory::CreateWithArguments(Px::EFilterTypes type,
                                                        const std::vector<std::any>& arguments) const
{
  return CreateWith(type, arguments);
}

TCPxImageFilter* TCPxFilterFactory::CreateFromText(const std::string& name, const TextParameters& parameters) const
{
  TCPxFilterDescription description;
  if (!FindDescription(name, &description))
    throw std::invalid_argument("unknown filter '" + name + "'");
  for (const auto& p : description.parameters)
    if (p.kind == TCPxFilterParameter::Image)
      throw std::invalid_argument("parameter " + p.name + " of " + name +
                                  " is an image and has no text form; supply it as a value");
  return CreateWithArguments(description.type, ParseParameters(description.type, parameters));
}
