// pixolan resize: nearest-neighbour resampling through the image classes.
#include <iostream>
#include <memory>

#include <pixolan/model/TCPxImageBase.h>

#include "CliSupport.h"
#include "Commands.h"

namespace cli
{
namespace
{
const char* const kUsage =
    "usage: pixolan resize IMAGE OUT --width W --height H\n"
    "\n"
    "Resizes the whole image to W x H pixels by nearest-neighbour sampling and\n"
    "writes it to OUT in the same pixel type.\n"
    "\n"
    "  --width W    1 to 32768\n"
    "  --height H   1 to 32768\n";

constexpr long long kMaxSide = 32768;

int Run(int argc, char** argv)
{
  const Args args = ParseArgs(argc, argv, {}, {"--width", "--height"});
  if (args.help)
  {
    std::cout << kUsage;
    return 0;
  }
  RequirePositional(args, 2, "IMAGE OUT");
  if (!args.Value("--width") || !args.Value("--height"))
    throw UsageError("both --width and --height are needed");
  const int width = static_cast<int>(ParseInteger(*args.Value("--width"), 1, kMaxSide, "--width"));
  const int height = static_cast<int>(ParseInteger(*args.Value("--height"), 1, kMaxSide, "--height"));

  const auto image = ReadImage(args.positional[0]);
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
  WriteImage(*resized, args.positional[1]);
  return 0;
}
} // namespace

const Command kResize = {"resize", "nearest-neighbour resize", kUsage, Run};
} // namespace cli
