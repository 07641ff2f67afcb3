// pixolan synth: a synthetic grey scene of bright objects on a dark, uneven
// and noisy background, or a multi-well plate, for trying the other subcommands.
#include <algorithm>
#include <cmath>
#include <cstdio>
#include <cstdint>
#include <iostream>
#include <memory>
#include <random>
#include <string>
#include <utility>

#include <CLI/CLI.hpp>

#include <opencv2/core.hpp>

#include <pixolan/model/TCPx8bitImage.h>

#include "CliSupport.h"
#include "Commands.h"
#include "Scenes.h"

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
  // Plate mode: rows x cols wells.
  std::string plate;
  std::string wells = "circle";
  bool brightWells = false;
  double span = 0.85;
  double noise = 3;
  double gradient = 40;
  double blur = 1;
  double rotate = 0;
};

/// "8x12" as (8, 12); anything else throws a usage error.
std::pair<int, int> PlateCounts(const std::string& text)
{
  int rows = 0, cols = 0;
  char x = 0, rest = 0;
  if (std::sscanf(text.c_str(), "%d%c%d%c", &rows, &x, &cols, &rest) != 3 || (x != 'x' && x != 'X') || rows < 1 ||
      cols < 1 || rows > 1000 || cols > 1000)
    throw UsageError("--plate takes ROWSxCOLS, each 1 to 1000, such as 8x12; got '" + text + "'");
  return {rows, cols};
}

/// A plate of wells centred in the frame, spanning `span` of it along its
/// tighter axis; the wells darker than the plate (or brighter).
int RunPlate(const Options& options, int width, int height)
{
  const auto [rows, cols] = PlateCounts(options.plate);
  const double pitch = options.span * std::min(static_cast<double>(width) / cols, static_cast<double>(height) / rows);
  if (pitch < 6)
    throw UsageError("too many wells for this size: every well needs 6 x 6 pixels");
  scenes::Scene scene;
  scene.width = width;
  scene.height = height;
  scene.background = options.brightWells ? 90 : 150;
  scene.gradient = options.gradient;
  scene.blurSigma = options.blur;
  scene.noiseSigma = options.noise;
  scene.seed = options.seed;
  scenes::Plate plate;
  plate.rows = rows;
  plate.cols = cols;
  plate.cx = width / 2.0;
  plate.cy = height / 2.0;
  plate.dx = plate.dy = pitch;
  plate.angle = options.rotate;
  plate.square = options.wells == "square";
  plate.radius = 0.38 * pitch;
  // Square wells: thin walls (4.4 % of the pitch) and slightly rounded corners.
  plate.halfWidth = plate.halfHeight = 0.478 * pitch;
  plate.cornerRadius = 0.1 * pitch;
  plate.wellLevel = options.brightWells ? 190 : 70;
  scenes::AddPlate(plate, &scene);
  TCPx8bitImage image = scenes::Render(scene);
  WriteImage(image, options.out);
  std::cout << "wrote " << options.out << ": " << width << " x " << height << ", a plate of " << rows << " x "
            << cols << " " << options.wells << " wells, pitch " << Fixed(pitch, 2) << ", centre ("
            << Fixed(plate.cx, 1) << ", " << Fixed(plate.cy, 1) << ")\n";
  return 0;
}

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
                  "same picture.\n"
                  "With --plate ROWSxCOLS it draws a multi-well plate instead (default size 800 x 600): dark\n"
                  "wells (bright with --bright-wells) on a regular grid centred in the frame, spanning --span of\n"
                  "it, turned by --rotate degrees, with a lighting gradient, blur and noise.");
  app.add_option("OUT", options->out, "output image file")->required();
  app.add_option("--width", options->width, "16 to 4096 (default 320)")->check(CLI::Range(16, 4096));
  app.add_option("--height", options->height, "16 to 4096 (default 240)")->check(CLI::Range(16, 4096));
  app.add_option("--objects", options->objects, "1 to 400 (default 9); every object needs 16 x 16 pixels")
      ->check(CLI::Range(1, 400));
  app.add_option("--seed", options->seed, "0 to 4294967295 (default 1)");
  auto* plate = app.add_option("--plate", options->plate, "ROWSxCOLS: draw a plate of wells, such as 8x12");
  app.add_option("--wells", options->wells, "plate mode: circle (default) or square wells")
      ->check(CLI::IsMember({"circle", "square"}))->needs(plate);
  app.add_flag("--bright-wells", options->brightWells, "plate mode: wells brighter than the plate")->needs(plate);
  app.add_option("--span", options->span, "plate mode: share of the frame the plate spans, 0.1 to 1 (default 0.85)")
      ->check(CLI::Range(0.1, 1.0))->needs(plate);
  app.add_option("--noise", options->noise, "plate mode: noise standard deviation, 0 to 100 (default 3)")
      ->check(CLI::Range(0.0, 100.0))->needs(plate);
  app.add_option("--gradient", options->gradient, "plate mode: lighting change corner to corner, -255 to 255 (default 40)")
      ->check(CLI::Range(-255.0, 255.0))->needs(plate);
  app.add_option("--blur", options->blur, "plate mode: blur sigma in pixels, 0 to 20 (default 1)")
      ->check(CLI::Range(0.0, 20.0))->needs(plate);
  app.add_option("--rotate", options->rotate, "plate mode: turn of the plate in degrees, -45 to 45 (default 0)")
      ->check(CLI::Range(-45.0, 45.0))->needs(plate);
  auto* width = app.get_option("--width");
  auto* height = app.get_option("--height");
  auto* objects = app.get_option("--objects");
  objects->excludes(plate);
  return [options, plate, width, height] {
    if (plate->count() == 0)
      return Run(*options);
    return RunPlate(*options, width->count() ? options->width : 800, height->count() ? options->height : 600);
  };
}
} // namespace

const Command kSynth = {"synth", "draw a synthetic grey scene of objects or a plate of wells", Declare};
} // namespace cli
