// pixolan synth: a synthetic grey scene of bright objects on a dark, uneven
// and noisy background, for trying the other subcommands.
#include <algorithm>
#include <cmath>
#include <cstdint>
#include <iostream>
#include <memory>
#include <random>
#include <string>

#include <CLI/CLI.hpp>

#include <opencv2/core.hpp>

#include <pixolan/model/TCPx8bitImage.h>

#include "CliSupport.h"
#include "Commands.h"

namespace cli
{
namespace
{
struct Options
{
  std::string out;
  int width = 320;
  int height = 240;
  int objects = 9;
  std::uint32_t seed = 1;
};

int Run(const Options& options)
{
  const int width = options.width;
  const int height = options.height;
  const int count = options.objects;
  std::mt19937 rng(options.seed);
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

  WriteImage(image, options.out);
  std::cout << "wrote " << options.out << ": " << width << " x " << height << ", " << count
            << " objects\n";
  return 0;
}
Action Declare(CLI::App& app)
{
  auto options = std::make_shared<Options>();
  app.footer("Draws N separate bright objects (ellipses, rectangles and discs) on a dark background with\n"
                  "a gentle gradient and noise, and writes the grey image to OUT. The same seed gives the\n"
                  "same picture.");
  app.add_option("OUT", options->out, "output image file")->required();
  app.add_option("--width", options->width, "16 to 4096 (default 320)")->check(CLI::Range(16, 4096));
  app.add_option("--height", options->height, "16 to 4096 (default 240)")->check(CLI::Range(16, 4096));
  app.add_option("--objects", options->objects, "1 to 400 (default 9); every object needs 16 x 16 pixels")
      ->check(CLI::Range(1, 400));
  app.add_option("--seed", options->seed, "0 to 4294967295 (default 1)");
  return [options] { return Run(*options); };
}
} // namespace

const Command kSynth = {"synth", "draw a synthetic grey scene of objects", Declare};
} // namespace cli
