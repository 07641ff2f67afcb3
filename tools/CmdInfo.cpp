// pixolan info: what an image file holds.
#include <array>
#include <cstdio>
#include <sstream>
#include <memory>
#include <string>
#include <vector>

#include <CLI/CLI.hpp>

#include <opencv2/core.hpp>

#include <pixolan/model/TCPx8bitImage.h>
#include <pixolan/model/TCPxImageBase.h>

#include "CliSupport.h"
#include "Commands.h"

namespace cli
{
namespace
{
struct ChannelStats
{
  double minimum = 0;
  double maximum = 0;
  double mean = 0;
};

/// Grey-level histogram of a byte image (colour by luminance).
struct HistogramSummary
{
  int mode = 0;
  long long modeCount = 0;
  int p05 = 0;
  int median = 0;
  int p95 = 0;
  int levelsUsed = 0;
};

std::vector<ChannelStats> StatsPerChannel(const TCPxImageBase& image)
{
  std::vector<cv::Mat> planes;
  cv::split(*image.GetFullMatPtr(), planes);
  std::vector<ChannelStats> stats;
  for (const cv::Mat& plane : planes)
  {
    ChannelStats s;
    cv::minMaxLoc(plane, &s.minimum, &s.maximum);
    s.mean = cv::mean(plane)[0];
    stats.push_back(s);
  }
  return stats;
}

HistogramSummary Summarise(const TCPx8bitImage& grey)
{
  std::array<long long, 256> counts{};
  const cv::Mat& view = *grey.GetFullMatPtr();
  for (int y = 0; y < view.rows; ++y)
  {
    const unsigned char* row = view.ptr<unsigned char>(y);
    for (int x = 0; x < view.cols; ++x)
      ++counts[row[x]];
  }
  const long long total = static_cast<long long>(view.rows) * view.cols;
  HistogramSummary h;
  long long cumulative = 0;
  bool p05 = false;
  bool median = false;
  bool p95 = false;
  for (int v = 0; v < 256; ++v)
  {
    if (counts[v] > h.modeCount)
    {
      h.modeCount = counts[v];
      h.mode = v;
    }
    h.levelsUsed += counts[v] > 0;
    cumulative += counts[v];
    // Smallest level at or below which the given share of the pixels lies.
    if (!p05 && cumulative * 20 >= total)
      p05 = true, h.p05 = v;
    if (!median && cumulative * 2 >= total)
      median = true, h.median = v;
    if (!p95 && cumulative * 20 >= total * 19)
      p95 = true, h.p95 = v;
  }
  return h;
}

struct Options
{
  std::vector<std::string> images;
  bool json = false;
};

ImageReport Describe(const std::string& path, bool json)
{
  const auto image = ReadImage(path);
  const auto stats = StatsPerChannel(*image);
  const bool byteImage = image->GetImageType() == ImageType8bit || image->GetImageType() == ImageType24bit ||
                         image->GetImageType() == ImageType32bit;
  double otsu = 0;
  HistogramSummary histogram;
  if (byteImage)
  {
    const auto grey = ToGrey(*image);
    otsu = grey->GetOtsuThreshold();
    histogram = Summarise(*grey);
  }

  ImageReport report;
  if (json)
  {
    Json channels = Json::array();
    for (const ChannelStats& c : stats)
      channels.push_back({{"min", Number(c.minimum)}, {"max", Number(c.maximum)}, {"mean", Number(c.mean)}});
    report.json = {{"file", path},
                   {"width", image->GetWidth()},
                   {"height", image->GetHeight()},
                   {"type", TypeName(*image)},
                   {"type_code", static_cast<int>(image->GetImageType())},
                   {"channels", image->GetNrChannels()},
                   {"stride", image->GetStepSize()},
                   {"buffer_bytes", image->GetBufferSize()},
                   {"channel_stats", channels},
                   {"otsu_threshold", byteImage ? Number(otsu) : Json(nullptr)},
                   {"histogram", nullptr}};
    if (byteImage)
      report.json["histogram"] = {{"mode", histogram.mode},       {"mode_count", histogram.modeCount},
                                  {"p05", histogram.p05},         {"median", histogram.median},
                                  {"p95", histogram.p95},         {"levels_used", histogram.levelsUsed}};
    return report;
  }
  std::ostringstream out;
  out << path << ": " << image->GetWidth() << " x " << image->GetHeight() << ", " << TypeName(*image) << ", "
      << image->GetNrChannels() << " channel" << (image->GetNrChannels() == 1 ? "" : "s") << ", stride "
      << image->GetStepSize() << " bytes\n";
  const char* const names[] = {"blue", "green", "red", "alpha"};
  for (std::size_t c = 0; c < stats.size(); ++c)
    out << "  " << (stats.size() == 1 ? "values" : names[c]) << ": min " << Decimal(stats[c].minimum)
        << ", max " << Decimal(stats[c].maximum) << ", mean " << Decimal(stats[c].mean) << "\n";
  if (byteImage)
    out << "  Otsu threshold: " << Decimal(otsu) << "\n"
        << "  histogram: mode " << histogram.mode << " (" << histogram.modeCount << " pixels), 5% / 50% / 95% at "
        << histogram.p05 << " / " << histogram.median << " / " << histogram.p95 << ", " << histogram.levelsUsed
        << " levels used\n";
  report.text = out.str();
  return report;
}

Action Declare(CLI::App& app)
{
  auto options = std::make_shared<Options>();
  app.footer("Prints the size, pixel type, channels, row stride, per-channel minimum, maximum and mean of\n"
                  "image files, and for byte images the Otsu threshold and a summary of the grey-level histogram.\n"
                  "Raw files (.rwf) are read as 32-bit float images. Several images (or folders) give one\n"
                  "report each; with --json one JSON object per line.");
  app.add_option("IMAGE", options->images, "image files or folders of them")->required();
  app.add_flag("--json", options->json, "JSON instead of text");
  return [options] {
    const bool json = options->json;
    return ForEachImage(options->images, json, [json](const std::string& path) { return Describe(path, json); });
  };
}
} // namespace

const Command kInfo = {"info", "size, type, statistics and histogram of an image", Declare};
} // namespace cli
