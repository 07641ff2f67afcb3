#include "CliSupport.h"

#include <cerrno>
#include <cmath>
#include <cstdio>
#include <cstdlib>

#include <opencv2/core.hpp>
#include <opencv2/imgproc.hpp>

#include <general/GenConvert.h>
#include <general/TCGenFileUtils.h>
#include <pixolan/analysis/TCPxIO.h>
#include <pixolan/model/TCPx24bitImage.h>
#include <pixolan/model/TCPx8bitImage.h>
#include <pixolan/model/TCPxImageBase.h>

namespace cli
{
const std::string* Args::Value(const std::string& name) const
{
  const auto range = options.equal_range(name);
  if (range.first == range.second)
    return nullptr;
  auto last = range.second;
  return &(--last)->second;
}

std::vector<std::string> Args::Values(const std::string& name) const
{
  std::vector<std::string> values;
  const auto range = options.equal_range(name);
  for (auto it = range.first; it != range.second; ++it)
    values.push_back(it->second);
  return values;
}

Args ParseArgs(int argc, char** argv, const std::set<std::string>& flagNames,
               const std::set<std::string>& valueNames)
{
  Args args;
  bool onlyPositional = false;
  for (int i = 0; i < argc; ++i)
  {
    const std::string a = argv[i];
    if (onlyPositional || a.size() < 2 || a[0] != '-' || (a[1] != '-' && a != "-h"))
    {
      args.positional.push_back(a);
      continue;
    }
    if (a == "--")
    {
      onlyPositional = true;
      continue;
    }
    if (a == "--help" || a == "-h")
    {
      args.help = true;
      continue;
    }
    std::string name = a;
    std::string value;
    bool inlineValue = false;
    const auto eq = a.find('=');
    if (eq != std::string::npos)
    {
      name = a.substr(0, eq);
      value = a.substr(eq + 1);
      inlineValue = true;
    }
    if (flagNames.count(name))
    {
      if (inlineValue)
        throw UsageError("option " + name + " takes no value");
      args.flags.insert(name);
    }
    else if (valueNames.count(name))
    {
      if (!inlineValue)
      {
        if (i + 1 >= argc)
          throw UsageError("option " + name + " needs a value");
        value = argv[++i];
      }
      args.options.emplace(name, value);
    }
    else
      throw UsageError("unknown option '" + name + "'");
  }
  return args;
}

void RequirePositional(const Args& args, std::size_t count, const std::string& usage)
{
  if (args.positional.size() != count)
    throw UsageError("expected " + std::to_string(count) + " argument" + (count == 1 ? "" : "s") + " (" + usage +
                     "), got " + std::to_string(args.positional.size()));
}

long long ParseInteger(const std::string& text, long long low, long long high, const std::string& what)
{
  errno = 0;
  char* end = nullptr;
  const long long value = std::strtoll(text.c_str(), &end, 10);
  if (text.empty() || *end != '\0' || errno == ERANGE || value < low || value > high)
    throw UsageError(what + " must be a whole number from " + std::to_string(low) + " to " +
                     std::to_string(high) + ", not '" + text + "'");
  return value;
}

double ParseReal(const std::string& text, double low, double high, const std::string& what)
{
  errno = 0;
  char* end = nullptr;
  const double value = std::strtod(text.c_str(), &end);
  if (text.empty() || *end != '\0' || errno == ERANGE || !std::isfinite(value) || value < low || value > high)
    throw UsageError(what + " must be a number from " + JsonNumber(low) + " to " + JsonNumber(high) + ", not '" +
                     text + "'");
  return value;
}

std::string JsonString(const std::string& text)
{
  std::string out = "\"";
  for (const unsigned char c : text)
  {
    switch (c)
    {
    case '"': out += "\\\""; break;
    case '\\': out += "\\\\"; break;
    case '\n': out += "\\n"; break;
    case '\r': out += "\\r"; break;
    case '\t': out += "\\t"; break;
    default:
      if (c < 0x20)
      {
        char buffer[8];
        std::snprintf(buffer, sizeof(buffer), "\\u%04x", c);
        out += buffer;
      }
      else
        out += static_cast<char>(c);
    }
  }
  return out + "\"";
}

std::string JsonNumber(double value)
{
  if (!std::isfinite(value))
    return "null";
  if (value == std::floor(value) && std::fabs(value) < 1e15)
    return std::to_string(static_cast<long long>(value));
  char buffer[32];
  std::snprintf(buffer, sizeof(buffer), "%.10g", value);
  return buffer;
}

bool IsRawPath(const std::string& path)
{
  return TCGenFileUtils::ExtractExtension(Gen::convert(path)) == L"rwf";
}

std::unique_ptr<TCPxImageBase> ReadImage(const std::string& path)
{
  if (!TCGenFileUtils::FileExists(Gen::convert(path)))
    throw Failure("cannot read '" + path + "': no such file");
  std::unique_ptr<TCPxImageBase> image(TCPxIO::CreateImageFromFile(Gen::convert(path)));
  if (!image)
    throw Failure("cannot read '" + path + "': not an image this tool can hold (" +
                  (IsRawPath(path) ? std::string("bad or truncated raw file") : std::string("unknown format")) + ")");
  return image;
}

void WriteImage(const TCPxImageBase& image, const std::string& path)
{
  bool written = false;
  try
  {
    written = TCPxIO::SaveImage(image, Gen::convert(path));
  }
  catch (const cv::Exception&)
  {
    throw Failure("cannot write '" + path + "': no image format for this extension");
  }
  if (!written)
    throw Failure("cannot write '" + path + "'");
}

std::unique_ptr<TCPx8bitImage> ToGrey(const TCPxImageBase& image)
{
  auto grey = std::make_unique<TCPx8bitImage>(image.GetWidth(), image.GetHeight());
  const cv::Mat& source = *image.GetFullMatPtr();
  cv::Mat& target = *grey->GetFullMatPtr();
  cv::Mat converted;
  switch (image.GetImageType())
  {
  case ImageType8bit: converted = source; break;
  case ImageType24bit: cv::cvtColor(source, converted, cv::COLOR_BGR2GRAY); break;
  case ImageType32bit: cv::cvtColor(source, converted, cv::COLOR_BGRA2GRAY); break;
  default: source.convertTo(converted, CV_8U); break;
  }
  converted.copyTo(target); // same size and type: written into the image's own buffer
  return grey;
}

std::string TypeName(const TCPxImageBase& image)
{
  switch (image.GetImageType())
  {
  case ImageType8bit: return "8-bit grey";
  case ImageType24bit: return "24-bit colour";
  case ImageType32bit: return "32-bit colour";
  case ImageTypeFloat: return "32-bit float";
  case ImageTypeInt32: return "32-bit integer";
  default: return "unknown";
  }
}
} // namespace cli
