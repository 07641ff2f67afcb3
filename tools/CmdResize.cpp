// pixolan resize: nearest-neighbour resampling through the image classes.
#include <iostream>
#include <memory>
#include <string>

#include <CLI/CLI.hpp>

#include <pixolan/model/TCPxImageBase.h>

#include "CliSupport.h"
#include "Commands.h"

namespace cli
{
namespace
{
struct Options
{
  std::string image;
  std::string out;
  int width = 0;
  int height = 0;
};

constexpr int kMaxSide = 32768;

int Run(const Options& options)
{
  const int width = options.width;
  const int height = options.height;
  const auto image = ReadImage(options.image);
  std::unique_ptr<TCPxImageBase> resized;
  try
  {
    resized.reset(image->Create(width, height));
  }
  catch (const std::exception& e)
  {
    throw UsageError(std::string("cannot make an image of that size: ") + e.what());
  }
  resized->ScaleNearestNeighbour(*image);
  WriteImage(*resized, options.out);
  return 0;
}
Action Declare(CLI::App& app)
{
  auto options = std::make_shared<Options>();
  app.footer("Resizes the whole image to W x H pixels by nearest-neighbour sampling and writes it to OUT\n"
                  "in the same pixel type.");
  app.add_option("IMAGE", options->image, "input image file")->required();
  app.add_option("OUT", options->out, "output image file")->required();
  app.add_option("--width", options->width, "1 to 32768")->required()->check(CLI::Range(1, kMaxSide));
  app.add_option("--height", options->height, "1 to 32768")->required()->check(CLI::Range(1, kMaxSide));
  return [options] { return Run(*options); };
}
} // namespace

const Command kResize = {"resize", "nearest-neighbour resize", Declare};
} // namespace cli
