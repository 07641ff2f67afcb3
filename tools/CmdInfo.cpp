// pixolan info: what an image file holds.
#include <array>
#include <cstdio>
#include <iostream>
#include <sstream>
#include <vector>

#include <opencv2/core.hpp>

#include <pixolan/model/TCPx8bitImage.h>
#include <pixolan/model/TCPxImageBase.h>

#include "CliSupport.h"
#include "Commands.h"

namespace cli
{
namespace
{
const char* const kUsage =
    "usage: pixolan info IMAGE [--json]\n"
    "\n"
    "Prints the size, pixel type, channels, row stride, per-channel minimum,\n"
    "maximum and mean of an image file, and for byte images the Otsu threshold\n"
    "and a summary of the grey-level histogram.\n"
    "Raw files (.rwf) are read as 32-bit float images.\n"
    "\n"
    "  --json   one JSON object instead of text\n";

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

int Run(int argc, char** argv)
{
  const Args args = ParseArgs(argc, argv, {"--json"}, {});
  if (args.help)
  {
    std::cout << kUsage;
    return 0;
  }
  RequirePositional(args, 1, "IMAGE");
  const std::string& path = args.positional[0];
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

  std::ostringstream out;
  if (args.Has("--json"))
  {
    out << "{\"file\": " << JsonString(path) << ", \"width\": " << image->GetWidth()
        << ", \"height\": " << image->GetHeight() << ", \"type\": " << JsonString(TypeName(*image))
        << ", \"type_code\": " << static_cast<int>(image->GetImageType())
        << ", \"channels\": " << image->GetNrChannels() << ", \"stride\": " << image->GetStepSize()
        << ", \"buffer_bytes\": " << image->GetBufferSize() << ", \"channel_stats\": [";
    for (std::size_t c = 0; c < stats.size(); ++c)
      out << (c ? ", " : "") << "{\"min\": " << JsonNumber(stats[c].minimum)
          << ", \"max\": " << JsonNumber(stats[c].maximum) << ", \"mean\": " << JsonNumber(stats[c].mean) << "}";
    out << "], \"otsu_threshold\": " << (byteImage ? JsonNumber(otsu) : "null") << ", \"histogram\": ";
    if (byteImage)
      out << "{\"mode\": " << histogram.mode << ", \"mode_count\": " << histogram.modeCount
          << ", \"p05\": " << histogram.p05 << ", \"median\": " << histogram.median << ", \"p95\": " << histogram.p95
          << ", \"levels_used\": " << histogram.levelsUsed << "}";
    else
      out << "null";
    out << "}\n";
  }
  else
  {
    out << path << ": " << image->GetWidth() << " x " << image->GetHeight() << ", " << TypeName(*image) << ", "
        << image->GetNrChannels() << " channel" << (image->GetNrChannels() == 1 ? "" : "s") << ", stride "
        << image->GetStepSize() << " bytes\n";
    const char* const names[] = {"blue", "green", "red", "alpha"};
    for (std::size_t c = 0; c < stats.size(); ++c)
      out << "  " << (stats.size() == 1 ? "values" : names[c]) << ": min " << JsonNumber(stats[c].minimum)
          << ", max " << JsonNumber(stats[c].maximum) << ", mean " << JsonNumber(stats[c].mean) << "\n";
    if (byteImage)
      out << "  Otsu threshold: " << JsonNumber(otsu) << "\n"
          << "  histogram: mode " << histogram.mode << " (" << histogram.modeCount << " pixels), 5% / 50% / 95% at "
          << histogram.p05 << " / " << histogram.median << " / " << histogram.p95 << ", " << histogram.levelsUsed
          << " levels used\n";
  }
  std::cout << out.str();
  return 0;
}
} // namespace

const Command kInfo = {"info", "size, type, statistics and histogram of an image", kUsage, Run};
} // namespace cli
