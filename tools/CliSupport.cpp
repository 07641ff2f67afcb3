#include "CliSupport.h"

#include <algorithm>
#include <atomic>
#include <chrono>
#include <climits>
#include <cmath>
#include <cstdio>
#include <filesystem>
#include <iostream>
#include <mutex>
#include <set>

#include <unistd.h>

#include <opencv2/core.hpp>
#include <opencv2/imgproc.hpp>
#include <tbb/parallel_for.h>

#include <general/GenConvert.h>
#include <general/TCGenFileUtils.h>
#include <pixolan/analysis/TCPxIO.h>
#include <pixolan/analysis/TCPxObjectFinder.h>
#include <pixolan/model/TCPx24bitImage.h>
#include <pixolan/model/TCPx8bitImage.h>
#include <pixolan/model/TCPxImageBase.h>

namespace cli
{
namespace
{
// Codec calls switch the process's current directory for their duration, so
// files are read and written one at a time even when images are analysed in parallel.
std::mutex& FileMutex()
{
  static std::mutex mutex;
  return mutex;
}

std::string FirstLine(const std::string& text)
{
  return text.substr(0, text.find('\n'));
}

/// The one-line message of an exception thrown while handling one image.
std::string MessageOf(const std::exception_ptr& error)
{
  try
  {
    std::rethrow_exception(error);
  }
  catch (const cv::Exception& e)
  {
    return FirstLine(e.err.empty() ? std::string(e.what()) : e.err);
  }
  catch (const std::exception& e)
  {
    return FirstLine(e.what());
  }
  catch (...)
  {
    return "unknown error";
  }
}

/// "done/total, rate, time left" on one terminal line, redrawn in place.
class Progress
{
public:
  explicit Progress(std::size_t total) : m_total(total), m_shown(::isatty(STDERR_FILENO) == 1) {}
  void Step()
  {
    if (!m_shown)
      return;
    const std::size_t done = ++m_done;
    const double seconds =
        std::chrono::duration<double>(std::chrono::steady_clock::now() - m_start).count();
    const double rate = seconds > 0 ? done / seconds : 0;
    const double left = rate > 0 ? (m_total - done) / rate : 0;
    char line[128];
    std::snprintf(line, sizeof(line), "\r%zu/%zu images, %.1f images/s, %.0f s left   ", done, m_total, rate, left);
    std::cerr << line << std::flush;
  }
  void Finish()
  {
    if (m_shown)
      std::cerr << "\r" << std::string(60, ' ') << "\r" << std::flush;
  }

private:
  const std::size_t m_total;
  const bool m_shown;
  std::atomic<std::size_t> m_done{0};
  const std::chrono::steady_clock::time_point m_start = std::chrono::steady_clock::now();
};

bool IsImageFile(const std::filesystem::path& path)
{
  static const std::set<std::string> extensions = {".png", ".jpg", ".jpeg", ".bmp", ".tif", ".tiff", ".rwf"};
  std::string ext = path.extension().string();
  std::transform(ext.begin(), ext.end(), ext.begin(), [](unsigned char c) { return static_cast<char>(std::tolower(c)); });
  return extensions.count(ext) != 0;
}
} // namespace

Json Number(double value)
{
  if (!std::isfinite(value))
    return nullptr;
  return value;
}

Json Point(double x, double y)
{
  return Json::array({Number(x), Number(y)});
}

std::string Decimal(double value)
{
  if (!std::isfinite(value))
    return "-";
  if (value == std::floor(value) && std::fabs(value) < 1e15)
    return std::to_string(static_cast<long long>(value));
  char buffer[32];
  std::snprintf(buffer, sizeof(buffer), "%.10g", value);
  return buffer;
}

std::string Fixed(double value, int decimals)
{
  if (!std::isfinite(value))
    return "-";
  char buffer[32];
  std::snprintf(buffer, sizeof(buffer), "%.*f", decimals, value);
  return buffer;
}

bool IsRawPath(const std::string& path)
{
  return TCGenFileUtils::ExtractExtension(Gen::convert(path)) == L"rwf";
}

std::unique_ptr<TCPxImageBase> ReadImage(const std::string& path)
{
  std::lock_guard<std::mutex> lock(FileMutex());
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
  std::lock_guard<std::mutex> lock(FileMutex());
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
  return std::unique_ptr<TCPx8bitImage>(TCPxObjectFinder::CreateGreyImage(image));
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

std::string AnnotationPath(const std::string& annotate, const std::string& image, bool several)
{
  if (annotate.empty() || !several)
    return annotate;
  namespace fs = std::filesystem;
  return (fs::u8path(annotate) / fs::u8path(image).stem()).u8string() + ".png";
}

void MakeAnnotationFolder(const std::string& annotate, bool several)
{
  if (!several || annotate.empty())
    return;
  std::error_code ec;
  std::filesystem::create_directories(std::filesystem::u8path(annotate), ec);
  if (ec)
    throw Failure("cannot make the folder '" + annotate + "': " + ec.message());
}

int ForEachImage(const std::vector<std::string>& inputs, bool json, const std::string& annotate,
                 const std::function<ImageReport(const std::string& path, bool several)>& analyse)
{
  const bool several = !IsSingleFile(inputs);
  MakeAnnotationFolder(annotate, several);
  return ForEachImage(inputs, json, [&](const std::string& path) { return analyse(path, several); });
}

void WriteAnnotated(const TCPx8bitImage& grey, const std::vector<Annotation>& annotations, const std::string& path)
{
  TCPx24bitImage picture(grey.GetWidth(), grey.GetHeight());
  cv::Mat& view = *picture.GetFullMatPtr();
  cv::cvtColor(*grey.GetFullMatPtr(), view, cv::COLOR_GRAY2BGR); // same size and type: drawn in place
  const double scale = std::clamp(std::min(view.cols, view.rows) / 600.0, 0.35, 1.5);
  const int thickness = std::max(1, static_cast<int>(std::lround(scale * 2)));
  std::vector<std::vector<cv::Point>> outlines;
  for (const Annotation& a : annotations)
  {
    std::vector<cv::Point> outline;
    for (const auto& [x, y] : a.outline)
      outline.emplace_back(x, y);
    outlines.push_back(std::move(outline));
  }
  cv::drawContours(view, outlines, -1, cv::Scalar(0, 220, 255), thickness, cv::LINE_8);
  for (const Annotation& a : annotations)
  {
    int baseline = 0;
    const cv::Size size = cv::getTextSize(a.label, cv::FONT_HERSHEY_SIMPLEX, scale, thickness, &baseline);
    const cv::Point origin(static_cast<int>(std::lround(a.labelX)) - size.width / 2,
                           static_cast<int>(std::lround(a.labelY)) + size.height / 2);
    cv::putText(view, a.label, origin, cv::FONT_HERSHEY_SIMPLEX, scale, cv::Scalar(0, 0, 0), thickness + 2,
                cv::LINE_AA);
    cv::putText(view, a.label, origin, cv::FONT_HERSHEY_SIMPLEX, scale, cv::Scalar(60, 60, 255), thickness,
                cv::LINE_AA);
  }
  WriteImage(picture, path);
}

std::vector<std::string> ExpandInputs(const std::vector<std::string>& inputs)
{
  namespace fs = std::filesystem;
  std::vector<std::string> files;
  for (const std::string& input : inputs)
  {
    std::error_code ec;
    if (!fs::is_directory(fs::u8path(input), ec))
    {
      files.push_back(input);
      continue;
    }
    std::vector<std::string> inFolder;
    for (const auto& entry : fs::directory_iterator(fs::u8path(input), ec))
      if (entry.is_regular_file(ec) && IsImageFile(entry.path()))
        inFolder.push_back(entry.path().u8string());
    if (ec)
      throw Failure("cannot list the folder '" + input + "': " + ec.message());
    std::sort(inFolder.begin(), inFolder.end());
    files.insert(files.end(), inFolder.begin(), inFolder.end());
  }
  return files;
}

bool IsSingleFile(const std::vector<std::string>& inputs)
{
  std::error_code ec;
  return inputs.size() == 1 && !std::filesystem::is_directory(std::filesystem::u8path(inputs[0]), ec);
}

int ForEachImage(const std::vector<std::string>& inputs, bool json,
                 const std::function<ImageReport(const std::string& path)>& analyse)
{
  const std::vector<std::string> files = ExpandInputs(inputs);
  if (IsSingleFile(inputs))
  {
    const ImageReport report = analyse(files[0]);
    std::cout << (json ? report.json.dump() + "\n" : report.text) << std::flush;
    return 0;
  }

  std::vector<ImageReport> reports(files.size());
  std::vector<std::exception_ptr> errors(files.size());
  std::vector<bool> finished(files.size(), false);
  std::mutex outputMutex;
  std::size_t nextToPrint = 0;
  bool anyFailed = false;
  Progress progress(files.size());
  // Reports leave in input order: each finished task prints the run of
  // finished reports that starts at the first one not yet printed.
  auto printReady = [&]() {
    while (nextToPrint < files.size() && finished[nextToPrint])
    {
      const std::size_t i = nextToPrint++;
      if (errors[i])
      {
        anyFailed = true;
        const std::string message = MessageOf(errors[i]);
        if (json)
          std::cout << Json{{"file", files[i]}, {"error", message}}.dump() << "\n";
        else
          std::cerr << "pixolan: " << message << "\n";
      }
      else
        std::cout << (json ? reports[i].json.dump() + "\n" : reports[i].text);
      reports[i] = ImageReport{};
    }
    std::cout << std::flush;
  };
  tbb::parallel_for(std::size_t(0), files.size(), [&](std::size_t i) {
    ImageReport report;
    std::exception_ptr error;
    try
    {
      report = analyse(files[i]);
    }
    catch (...)
    {
      error = std::current_exception();
    }
    std::lock_guard<std::mutex> lock(outputMutex);
    reports[i] = std::move(report);
    errors[i] = error;
    finished[i] = true;
    progress.Step();
    printReady();
  });
  progress.Finish();
  if (files.empty())
    throw UsageError("no image files among the inputs");
  return anyFailed ? kExitFailure : 0;
}
} // namespace cli
