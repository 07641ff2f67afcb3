#pragma once
// Shared pieces of the pixolan subcommands: errors, JSON values, reading and
// writing images, annotated pictures and runs over many images.
#include <functional>
#include <memory>
#include <stdexcept>
#include <string>
#include <vector>

#include <nlohmann/json.hpp>

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

/// JSON objects keep their keys in insertion order (file, width, height first).
using Json = nlohmann::ordered_json;

/// A JSON number; NaN and infinities become null.
Json Number(double value);
/// A point as [x, y].
Json Point(double x, double y);
/// A number as text: whole values without decimals, others to 10 significant digits ("-" when not finite).
std::string Decimal(double value);
/// Short decimal text of a number for the text outputs ("-" when not finite).
std::string Fixed(double value, int decimals);

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

/// One outlined and labelled item of an annotated picture, in image coordinates.
struct Annotation
{
  std::vector<std::pair<int, int>> outline; ///< closed polygon
  double labelX = 0;                        ///< centre of the label
  double labelY = 0;
  std::string label;
};
/// Writes the grey image in colour with every outline drawn and its label at its centre.
void WriteAnnotated(const TCPx8bitImage& grey, const std::vector<Annotation>& annotations, const std::string& path);
/// Where the annotated picture of `image` goes: `annotate` itself for a
/// single-image run, else <annotate>/<image name>.png (a folder); empty when
/// no picture was asked for.
std::string AnnotationPath(const std::string& annotate, const std::string& image, bool several);
/// For a several-image run with pictures asked for: makes the folder
/// `annotate`; throws Failure when it cannot be made.
void MakeAnnotationFolder(const std::string& annotate, bool several);

/// Input images of a multi-image command: files as given, folders replaced
/// by the image files they hold (sorted by name).
std::vector<std::string> ExpandInputs(const std::vector<std::string>& inputs);

/// True when the inputs are one plain file (not a folder): the command then
/// reports that image alone, and its failure is the command's failure.
bool IsSingleFile(const std::vector<std::string>& inputs);

/// What a command reports for one image: a JSON object with --json, else text.
struct ImageReport
{
  Json json;
  std::string text;
};

/// Runs `analyse` on every input image and prints the reports in input order.
/// One plain file: the report, or the error thrown as the command's error.
/// Several (or a folder): one task per image in parallel; with --json one JSON
/// object per line, a failing image giving {"file", "error"}; in text a
/// failing image gives a line on stderr. The run goes on after a failure and
/// returns 1 when any image failed. A progress line is shown on stderr when
/// it is a terminal. `analyse` runs on worker threads: reading and writing
/// files goes through ReadImage/WriteImage, which serialise it.
int ForEachImage(const std::vector<std::string>& inputs, bool json,
                 const std::function<ImageReport(const std::string& path)>& analyse);
/// The same for a command that may write annotated pictures to `annotate`:
/// makes the folder of a several-image run first and tells `analyse` whether
/// the run has several images (see AnnotationPath).
int ForEachImage(const std::vector<std::string>& inputs, bool json, const std::string& annotate,
                 const std::function<ImageReport(const std::string& path, bool several)>& analyse);
} // namespace cli
