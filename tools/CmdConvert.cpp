// pixolan convert: between codec files and the raw format.
#include <iostream>
#include <memory>

#include <opencv2/core.hpp>

#include <pixolan/model/TCPx8bitImage.h>
#include <pixolan/model/TCPxFloatImage.h>
#include <pixolan/model/TCPxImageBase.h>

#include "CliSupport.h"
#include "Commands.h"

namespace cli
{
namespace
{
const char* const kUsage =
    "usage: pixolan convert IN OUT\n"
    "\n"
    "Reads IN and writes it to OUT; the formats follow from the extensions.\n"
    "Raw files (.rwf) hold 32-bit float images, so images written as raw are\n"
    "converted to float first (colour through its luminance). Float images\n"
    "written to formats of 8-bit samples (png, jpg, bmp) are rounded and\n"
    "clamped to 0..255.\n";

int Run(int argc, char** argv)
{
  const Args args = ParseArgs(argc, argv, {}, {});
  if (args.help)
  {
    std::cout << kUsage;
    return 0;
  }
  RequirePositional(args, 2, "IN OUT");
  const auto image = ReadImage(args.positional[0]);
  const std::string& out = args.positional[1];
  if (!IsRawPath(out) || image->GetImageType() == ImageTypeFloat)
  {
    WriteImage(*image, out);
    return 0;
  }
  // The raw format is read back as float: store float, never another layout.
  TCPxFloatImage floats(image->GetWidth(), image->GetHeight());
  if (image->GetImageType() == ImageTypeInt32)
    image->GetFullMatPtr()->convertTo(*floats.GetFullMatPtr(), CV_32F);
  else
    floats = *ToGrey(*image);
  WriteImage(floats, out);
  return 0;
}
} // namespace

const Command kConvert = {"convert", "convert between codec files and the raw format", kUsage, Run};
} // namespace cli
