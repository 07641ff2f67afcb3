#pragma once
// Shared pieces of the pixolan subcommands: argument parsing, errors, JSON
// text, and reading, converting and writing images.
#include <map>
#include <memory>
#include <set>
#include <stdexcept>
#include <string>
#include <vector>

class TCPxImageBase;
class TCPx8bitImage;

namespace cli
{
/// Exit codes: 2 for a bad command line, 1 for input or output that fails.
constexpr int kExitUsage = 2;
constexpr int kExitFailure = 1;

/// A one-line error for stderr and the exit code that goes with it.
class Error : public std::runtime_error
{
public:
  Error(int exitCode, const std::string& message) : std::runtime_error(message), m_exitCode(exitCode) {}
  int ExitCode() const { return m_exitCode; }

private:
  int m_exitCode;
};

inline Error UsageError(const std::string& message) { return Error(kExitUsage, message); }
inline Error Failure(const std::string& message) { return Error(kExitFailure, message); }

/// Command line of one subcommand: positional arguments, flags (--json) and
/// options with a value (--width 20 or --width=20). Options may repeat.
struct Args
{
  std::vector<std::string> positional;
  std::set<std::string> flags;
  std::multimap<std::string, std::string> options;
  bool help = false;

  bool Has(const std::string& name) const { return flags.count(name) != 0 || options.count(name) != 0; }
  /// The last value of an option, or null.
  const std::string* Value(const std::string& name) const;
  /// Every value of an option in command-line order.
  std::vector<std::string> Values(const std::string& name) const;
};

/// Parses argv; unknown options and missing values throw a usage error.
/// "--help" and "-h" set `help`.
Args ParseArgs(int argc, char** argv, const std::set<std::string>& flagNames,
               const std::set<std::string>& valueNames);

/// Throws a usage error unless exactly `count` positional arguments were given.
void RequirePositional(const Args& args, std::size_t count, const std::string& usage);

/// Whole decimal number in [low, high]; `what` names it in the error.
long long ParseInteger(const std::string& text, long long low, long long high, const std::string& what);
/// Finite decimal number in [low, high].
double ParseReal(const std::string& text, double low, double high, const std::string& what);

/// JSON string literal with the necessary escapes.
std::string JsonString(const std::string& text);
/// JSON number; NaN and infinities become null.
std::string JsonNumber(double value);

/// Image of any class read from a file (UTF-8 path); a failure throws with the path in the message.
std::unique_ptr<TCPxImageBase> ReadImage(const std::string& path);
/// Writes the image; a failure (or an extension no codec writes) throws.
void WriteImage(const TCPxImageBase& image, const std::string& path);
/// True when the path names a raw image file.
bool IsRawPath(const std::string& path);

/// Grey copy of any image: colour by luminance, float and integer values saturated to 0..255.
std::unique_ptr<TCPx8bitImage> ToGrey(const TCPxImageBase& image);
/// Human-readable name of the image class.
std::string TypeName(const TCPxImageBase& image);
} // namespace cli
