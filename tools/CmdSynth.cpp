// pixolan synth: a synthetic grey scene of bright objects on a dark, uneven
// and noisy background, for trying the other subcommands.
#include <algorithm>
#include <cmath>
#include <cstdint>
#include <iostream>
#include <random>

#include <opencv2/core.hpp>

#include <pixolan/model/TCPx8bitImage.h>

#include "CliSupport.h"
#include "Commands.h"

namespace cli
{
namespace
{
const char* const kUsage =
    "usage: pixolan synth OUT [--width W] [--height H] [--objects N] [--seed S]\n"
    "\n"
    "Draws N separate bright objects (ellipses, rectangles and discs) on a dark\n"
    "background with a gentle gradient and noise, and writes the grey image to\n"
    "OUT. The same seed gives the same picture.\n"
    "\n"
    "  --width W     16 to 4096 (default 320)\n"
    "  --height H    16 to 4096 (default 240)\n"
    "  --objects N   1 to 400 (default 9); every object needs 16 x 16 pixels\n"
    "  --seed S      0 to 4294967295 (default 1)\n";

int Run(int argc, char** argv)
{
  const Args args = ParseArgs(argc, argv, {}, {"--width", "--height", "--objects", "--seed"});
  if (args.help)
  {
    std::cout << kUsage;
    return 0;
  }
  RequirePositional(args, 1, "OUT");
  auto option = [&](const char* name, long long fallback, long long low, long long high) {
    const std::string* v = args.Value(name);
    return v ? ParseInteger(*v, low, high, name) : fallback;
  };
  const int width = static_cast<int>(option("--width", 320, 16, 4096));
  const int height = static_cast<int>(option("--height", 240, 16, 4096));
  const int count = static_cast<int>(option("--objects", 9, 1, 400));
  std::mt19937 rng(static_cast<std::uint32_t>(option("--seed", 1, 0, 4294967295LL)));
  auto uniform = [&](int low, int high) { return low + static_cast<int>(rng() % static_cast<unsigned>(high - low + 1)); };

  // One object per cell of a grid whose cells are about square.
  const int cols = std::max(1, static_cast<int>(std::ceil(std::sqrt(count * static_cast<double>(width) / height))));
  const int rows = (count + cols - 1) / cols;
  const int cellW = width / cols;
  const int cellH = height / rows;
  if (cellW < 16 || cellH < 16)
    throw UsageError("too many objects for this size: every object needs 16 x 16 pixels");

  TCPx8bitImage image(width, height);
  cv::Mat& view = *image.GetFullMatPtr();
  for (int y = 0; y < height; ++y)
    for (int x = 0; x < width; ++x)
      view.at<unsigned char>(y, x) = static_cast<unsigned char>(30 + 30 * x / width + 10 * y / height);

  for (int i = 0; i < count; ++i)
  {
    const int cx = (i % cols) * cellW + cellW / 2 + uniform(-cellW / 10, cellW / 10);
    const int cy = (i / cols) * cellH + cellH / 2 + uniform(-cellH / 10, cellH / 10);
    const int rx = uniform(std::max(2, cellW / 8), std::max(3, cellW * 3 / 10));
    const int ry = uniform(std::max(2, cellH / 8), std::max(3, cellH * 3 / 10));
    const auto value = static_cast<unsigned char>(uniform(170, 230));
    switch (i % 3)
    {
    case 0: image.Ellipse(TCGenPoint<int>(cx, cy), rx, ry, uniform(0, 179), value, 1, true); break;
    case 1: image.Rectangle(TCGenRect<int>(cx - rx, cy - ry, cx + rx, cy + ry), value); break;
    default: image.Circle(TCGenPoint<int>(cx, cy), std::min(rx, ry), value, 1, true); break;
    }
  }
  for (int y = 0; y < height; ++y)
    for (int x = 0; x < width; ++x)
    {
      unsigned char& p = view.at<unsigned char>(y, x);
      p = static_cast<unsigned char>(std::clamp(p + uniform(-12, 12), 0, 255));
    }

  WriteImage(image, args.positional[0]);
  std::cout << "wrote " << args.positional[0] << ": " << width << " x " << height << ", " << count
            << " objects\n";
  return 0;
}
} // namespace

const Command kSynth = {"synth", "draw a synthetic grey scene of objects", kUsage, Run};
} // namespace cli
