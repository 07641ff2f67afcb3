// pixolan demo: a synthetic frame through mirroring, rescaling and statistics.
#include <algorithm>
#include <iostream>
#include <memory>
#include <string>
#include <vector>

#include <CLI/CLI.hpp>

#include <pixolan/model/TCPx8bitImage.h>

#include "CliSupport.h"
#include "Commands.h"

namespace cli
{
namespace
{
struct Options
{
  bool json = false;
  int width = 640;
  int height = 480;
};

struct Summary
{
  int width = 0;
  int height = 0;
  int stride = 0;
  int minimum = 255;
  int maximum = 0;
  double mean = 0.0;
  int peakBin = -1;
  int peakCount = 0;
  int nonZero = 0;
  bool mirrorRoundTrip = false;
  int scaledWidth = 0;
  int scaledHeight = 0;
};

Summary Measure(int width, int height)
{
  // Build the frame row by row through the raw import, as a camera buffer would arrive.
  std::vector<unsigned char> frame(static_cast<std::size_t>(width) * height);
  for (int y = 0; y < height; ++y)
    for (int x = 0; x < width; ++x)
    {
      const bool inSquare = x >= width / 4 && x < width / 2 && y >= height / 4 && y < height / 2;
      frame[static_cast<std::size_t>(y) * width + x] =
          inSquare ? 250 : static_cast<unsigned char>((x + y) * 200 / (width + height));
    }
  TCPx8bitImage image(width, height);
  image.CopyBuffer(frame.data(), static_cast<int>(frame.size()), width);

  Summary s;
  s.width = image.GetWidth();
  s.height = image.GetHeight();
  s.stride = image.GetStepSize();

  std::vector<int> histogram;
  s.peakCount = image.GetIntensityHistogram(256, &histogram);
  double sum = 0.0;
  long long count = 0;
  for (int v = 0; v < 256; ++v)
  {
    // Bin v + 1 holds value v for 256 even levels over 0..255; value 255 falls in no bin.
    const int n = v + 1 < 256 ? histogram[v + 1] : 0;
    if (n > 0)
    {
      s.minimum = std::min(s.minimum, v);
      s.maximum = std::max(s.maximum, v);
    }
    sum += static_cast<double>(v) * n;
    count += n;
  }
  s.mean = count > 0 ? sum / count : 0.0;
  for (int b = 0; b < static_cast<int>(histogram.size()); ++b)
    if (histogram[b] == s.peakCount)
    {
      s.peakBin = b;
      break;
    }
  s.nonZero = image.CountNonZero();

  std::unique_ptr<TCPxImageBase> copy(image.Clone());
  copy->Mirror(true);
  copy->Mirror(false);
  copy->Mirror(true);
  copy->Mirror(false);
  s.mirrorRoundTrip = (*copy == image);

  TCPx8bitImage scaled(std::max(1, width / 3), std::max(1, height / 3));
  scaled.ScaleNearestNeighbour(image);
  s.scaledWidth = scaled.GetWidth();
  s.scaledHeight = scaled.GetHeight();
  return s;
}

int Demo(const Options& options)
{
  const bool json = options.json;
  const Summary s = Measure(options.width, options.height);
  if (json)
  {
    const Json report = {{"width", s.width},
                         {"height", s.height},
                         {"stride", s.stride},
                         {"min", s.minimum},
                         {"max", s.maximum},
                         {"mean", Number(s.mean)},
                         {"histogram_peak_bin", s.peakBin},
                         {"histogram_peak_count", s.peakCount},
                         {"non_zero", s.nonZero},
                         {"mirror_round_trip", s.mirrorRoundTrip},
                         {"scaled", Json::array({s.scaledWidth, s.scaledHeight})}};
    std::cout << report.dump() << "\n";
  }
  else
  {
    std::cout << "synthetic frame " << s.width << " x " << s.height << ", stride " << s.stride << " bytes\n"
              << "grey levels " << s.minimum << " .. " << s.maximum << ", mean " << s.mean << " (below 255)\n"
              << "histogram peak: bin " << s.peakBin << " with " << s.peakCount << " pixels\n"
              << "non-zero pixels: " << s.nonZero << "\n"
              << "mirror round trip: " << (s.mirrorRoundTrip ? "identical" : "DIFFERENT") << "\n"
              << "nearest-neighbour scaled to " << s.scaledWidth << " x " << s.scaledHeight << "\n";
  }
  return s.mirrorRoundTrip ? 0 : 1;
}
Action Declare(CLI::App& app)
{
  auto options = std::make_shared<Options>();
  app.footer("Builds a synthetic grey frame (a diagonal ramp with a bright square), mirrors and rescales\n"
                  "it, and prints what it measures.");
  app.add_flag("--json", options->json, "JSON instead of text");
  app.add_option("--width", options->width, "1 to 20000 (default 640)")->check(CLI::Range(1, 20000));
  app.add_option("--height", options->height, "1 to 20000 (default 480)")->check(CLI::Range(1, 20000));
  return [options] { return Demo(*options); };
}
} // namespace

const Command kDemo = {"demo", "measure a synthetic frame", Declare};
} // namespace cli
