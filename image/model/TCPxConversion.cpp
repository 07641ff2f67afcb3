#include <pixolan/model/TCPxConversion.h>

#include <general/TCGenMathUtils.h>

#include "primitives/PxPrimitives.h"

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
