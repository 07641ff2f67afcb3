#pragma once
#include <general/TCGenPoint.h>
#include <pixolan/PxExport.h>

/// Conversions of single packed colour values and of points.
///
/// Packed values (unsigned 32-bit in the low bits):
/// - RGB: red in bits 0-7, green 8-15, blue 16-23;
/// - BGR: blue in bits 0-7, green 8-15, red 16-23;
/// - HSV: hue in bits 0-7 on a 0..180 scale (two degrees per unit),
///   saturation in bits 8-15, value in bits 16-23.
class PIXOLAN_EXPORT TCPxConversion
{
public:
  static unsigned long Rgb2Hsv(unsigned long rgb);
  /// Red and blue exchanged, then as Rgb2Hsv.
  static unsigned long Bgr2Hsv(unsigned long bgr);
  /// RGB value (red in bits 0-7, upper byte 0).
  static unsigned long Hsv2Rgb(unsigned long hsv);
  /// Same computation and result as Hsv2Rgb (red in bits 0-7).
  static unsigned long Hsv2Bgr(unsigned long hsv);
  /// Grey level 0.299 R + 0.587 G + 0.114 B, rounded.
  static unsigned char Rgb2Gray(unsigned long rgb);
  /// Both coordinates rounded to nearest, halves to even.
  static TCGenPoint<int> RoundPoint(const TCGenPoint<double>& point);
  static TCGenPoint<double> MakeDblPoint(const TCGenPoint<int>& point);
};
