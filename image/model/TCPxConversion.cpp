#include <pixolan/model/TCPxConversion.h>

#include <opencv2/core.hpp>
#include <opencv2/imgproc.hpp>

#include <general/TCGenMathUtils.h>
#include <pixolan/model/TCPx24bitImage.h>
#include <pixolan/model/TCPxByteImage.h>
#include <pixolan/model/TCPxFloatImage.h>

#include "primitives/PxPrimitives.h"
#include "primitives/PxUtilPrimitives.h"

namespace
{
std::uint8_t Byte(unsigned long value, int index)
{
  return static_cast<std::uint8_t>((value >> (8 * index)) & 0xFFu);
}

unsigned long Pack(std::uint8_t b0, std::uint8_t b1, std::uint8_t b2)
{
  return static_cast<unsigned long>(b0) | (static_cast<unsigned long>(b1) << 8) |
         (static_cast<unsigned long>(b2) << 16);
}
} // namespace

unsigned long TCPxConversion::Rgb2Hsv(unsigned long rgb)
{
  std::uint8_t h, s, v;
  PxPrim::RgbToHsv(Byte(rgb, 0), Byte(rgb, 1), Byte(rgb, 2), &h, &s, &v);
  // Hue from the 0..255 scale to two degrees per unit.
  const int hue = TCGenMathUtils::RoundFast(h * 180.0 / 255.0);
  return Pack(static_cast<std::uint8_t>(hue), s, v);
}

unsigned long TCPxConversion::Bgr2Hsv(unsigned long bgr)
{
  return Rgb2Hsv(Pack(Byte(bgr, 2), Byte(bgr, 1), Byte(bgr, 0)));
}

unsigned long TCPxConversion::Hsv2Rgb(unsigned long hsv)
{
  const int hue = TCGenMathUtils::RoundFast(Byte(hsv, 0) * 255.0 / 180.0);
  // Hues above 180 have no colour meaning; they saturate at the top of the scale.
  const std::uint8_t h = static_cast<std::uint8_t>(hue > 255 ? 255 : hue);
  std::uint8_t r, g, b;
  PxPrim::HsvToRgb(h, Byte(hsv, 1), Byte(hsv, 2), &r, &g, &b);
  return Pack(r, g, b);
}

unsigned long TCPxConversion::Hsv2Bgr(unsigned long hsv)
{
  return Hsv2Rgb(hsv);
}

unsigned char TCPxConversion::Rgb2Gray(unsigned long rgb)
{
  return PxPrim::RgbToGray(Byte(rgb, 0), Byte(rgb, 1), Byte(rgb, 2));
}

TCGenPoint<int> TCPxConversion::RoundPoint(const TCGenPoint<double>& point)
{
  return TCGenPoint<int>(TCGenMathUtils::RoundFast(point.GetX()), TCGenMathUtils::RoundFast(point.GetY()));
}

TCGenPoint<double> TCPxConversion::MakeDblPoint(const TCGenPoint<int>& point)
{
  return TCGenPoint<double>(point.GetX(), point.GetY());
}

// ======================================================================================
// Whole images. The byte kernels work on the current buffer (which may be an
// attached external one), as the other direct-buffer operations do.
// ======================================================================================
namespace
{
// True when a width x height block placed at the ROI's top-left pixel of
// `image` stays inside the image.
bool BlockFitsAtRoi(const TCPxImageBase& image, int width, int height)
{
  const TCGenRect<int> roi = image.GetROI();
  return static_cast<long long>(roi.GetLeft()) + width <= image.GetWidth() &&
         static_cast<long long>(roi.GetTop()) + height <= image.GetHeight();
}

// Current buffer of a byte image from its ROI's first byte.
std::uint8_t* RoiStart(const TCPxByteImage& image)
{
  // The pixels are the image's own (or an attached caller's) writable memory;
  // the accessor only hands them out read-only.
  return const_cast<std::uint8_t*>(image.GetBuffer()) + image.GetROIOffset();
}

float* RoiStart(const TCPxFloatImage& image)
{
  return const_cast<float*>(static_cast<const float*>(image.GetBuffer())) + image.GetROIOffset();
}
} // namespace

void TCPxConversion::Byte2Float(const TCPxByteImage& source, TCPxFloatImage* target)
{
  if (!target)
    return;
  const int channels = source.GetNrChannels();
  if (channels != 1 && channels != 3)
    return;
  const TCGenRect<int> roi = source.GetROI();
  const int width = roi.GetWidth();
  const int height = roi.GetHeight();
  if (width <= 0 || height <= 0 || !BlockFitsAtRoi(*target, width, height))
    return;
  if (channels == 1)
    PxPrim::U8ToF32Rows(RoiStart(source), source.GetStepSize(), RoiStart(*target), target->GetStepSize(), width,
                        height);
  else
    PxPrim::Rgb3ToGrayF32Rows(RoiStart(source), source.GetStepSize(), RoiStart(*target), target->GetStepSize(),
                              width, height);
}

void TCPxConversion::Byte2Float(const TCPxByteImage& source, std::shared_ptr<TCPxFloatImage> target)
{
  Byte2Float(source, target.get());
}

void TCPxConversion::Float2Byte(const TCPxFloatImage& source, TCPxByteImage* target)
{
  if (!target)
    return;
  const TCGenRect<int> roi = source.GetROI();
  const int width = roi.GetWidth();
  const int height = roi.GetHeight();
  if (width <= 0 || height <= 0)
    return;
  // One byte per pixel from the target's ROI start: the bytes must stay inside
  // the target's rows.
  const TCGenRect<int> targetRoi = target->GetROI();
  const int channels = target->GetNrChannels();
  if (static_cast<long long>(targetRoi.GetLeft()) * channels + width >
          static_cast<long long>(target->GetWidth()) * channels ||
      static_cast<long long>(targetRoi.GetTop()) + height > target->GetHeight())
    return;
  PxPrim::F32ToU8Rows(RoiStart(source), source.GetStepSize(), RoiStart(*target), target->GetStepSize(), width,
                      height);
}

void TCPxConversion::Float2Byte(const TCPxFloatImage& source, std::shared_ptr<TCPxByteImage> target)
{
  Float2Byte(source, target.get());
}

void TCPxConversion::Rgb2Hsv(TCPx24bitImage* image)
{
  if (!image)
    return;
  Rgb2Hsv(*image, image);
}

void TCPxConversion::Rgb2Hsv(const TCPx24bitImage& source, TCPx24bitImage* target)
{
  if (!target)
    return;
  const TCGenRect<int> roi = source.GetROI();
  if (roi.GetWidth() <= 0 || roi.GetHeight() <= 0 || roi.GetRight() > target->GetWidth() ||
      roi.GetBottom() > target->GetHeight())
    return;
  // The target is written at the source's rectangle, whatever its own ROI.
  std::uint8_t* out = const_cast<std::uint8_t*>(target->GetBuffer()) +
                      static_cast<std::ptrdiff_t>(roi.GetTop()) * target->GetStepSize() + 3 * roi.GetLeft();
  PxPrim::BgrToHsv180Rows(RoiStart(source), source.GetStepSize(), out, target->GetStepSize(), roi.GetWidth(),
                          roi.GetHeight());
}

void TCPxConversion::Hsv2Rgb(TCPx24bitImage* image)
{
  if (!image || !image->GetMatPtr())
    return;
  cv::Mat view = *image->GetMatPtr();
  if (view.empty())
    return;
  cv::cvtColor(view, view, cv::COLOR_HSV2BGR);
}

void TCPxConversion::Rgb2Bgr(TCPx24bitImage* image)
{
  if (!image)
    return;
  const TCGenRect<int> roi = image->GetROI();
  if (roi.GetWidth() <= 0 || roi.GetHeight() <= 0)
    return;
  PxPrim::SwapOuterBytes3Rows(RoiStart(*image), image->GetStepSize(), roi.GetWidth(), roi.GetHeight());
}
