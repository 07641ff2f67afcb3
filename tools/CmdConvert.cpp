// pixolan convert: between codec files and the raw format.
#include <iostream>
#include <memory>
#include <string>

#include <CLI/CLI.hpp>

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
struct Options
{
  std::string in;
  std::string out;
};

int Run(const Options& options)
{
  const auto image = ReadImage(options.in);
  const std::string& out = options.out;
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
Action Declare(CLI::App& app)
{
  auto options = std::make_shared<Options>();
  app.footer("Reads IN and writes it to OUT; the formats follow from the extensions. Raw files (.rwf)\n"
                  "hold 32-bit float images, so images written as raw are converted to float first (colour\n"
                  "through its luminance). Float images written to formats of 8-bit samples (png, jpg, bmp)\n"
                  "are rounded and clamped to 0..255.");
  app.add_option("IN", options->in, "input image file")->required();
  app.add_option("OUT", options->out, "output image file")->required();
  return [options] { return Run(*options); };
}
} // namespace

const Command kConvert = {"convert", "convert between codec files and the raw format", Declare};
} // namespace cli
