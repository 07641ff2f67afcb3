#pragma once
#include <memory>

#include <general/TCGenPoint.h>
#include <pixolan/PxExport.h>

class TCPxByteImage;
class TCPxFloatImage;
class TCPx24bitImage;

/// Conversions of whole images between element types (byte and float) and
/// colour spaces (RGB, BGR, HSV), of single packed colour values and of points.
///
/// Packed values (unsigned 32-bit in the low bits):
/// - RGB: red in bits 0-7, green 8-15, blue 16-23;
/// - BGR: blue in bits 0-7, green 8-15, red 16-23;
/// - HSV: hue in bits 0-7 on a 0..180 scale (two degrees per unit),
///   saturation in bits 8-15, value in bits 16-23.
class PIXOLAN_EXPORT TCPxConversion
{
public:
  // ---- whole images ---------------------------------------------------------------
  /// Byte ROI to float: the source ROI is converted into the target from the
  /// target's ROI top-left pixel on, over the source ROI's size (which may reach
  /// beyond the target ROI, but not beyond the target image: then nothing
  /// changes). One channel: each byte as its value. Three channels: each pixel
  /// as the grey level 0.299 b0 + 0.587 b1 + 0.114 b2 of its bytes in memory
  /// order, rounded to a whole level. Other channel counts and a null target do nothing.
  static void Byte2Float(const TCPxByteImage& source, TCPxFloatImage* target);
  static void Byte2Float(const TCPxByteImage& source, std::shared_ptr<TCPxFloatImage> target);
  /// Float ROI to bytes, rounded to nearest with halves to even (2.5 -> 2,
  /// 3.5 -> 4), saturated to 0..255, NaN -> 0. One byte per pixel from the
  /// target's ROI start on, whatever the target's channel count; a region that
  /// would leave the target image or a null target changes nothing.
  static void Float2Byte(const TCPxFloatImage& source, TCPxByteImage* target);
  static void Float2Byte(const TCPxFloatImage& source, std::shared_ptr<TCPxByteImage> target);
  /// In place over the ROI: B, G, R pixels to hue (channel 0, 0..180, two
  /// degrees per unit), saturation (1) and value (2), each pixel as the
  /// single-value Bgr2Hsv gives it. A null image does nothing.
  static void Rgb2Hsv(TCPx24bitImage* image);
  /// The same conversion of the source ROI written into the target at the same
  /// rectangle; the source keeps its pixels. Nothing changes for a null target
  /// or when the rectangle does not lie inside the target.
  static void Rgb2Hsv(const TCPx24bitImage& source, TCPx24bitImage* target);
  /// In place over the ROI: hue (0..180), saturation, value back to B, G, R
  /// with OpenCV's HSV conversion. A null image does nothing.
  static void Hsv2Rgb(TCPx24bitImage* image);
  /// In place over the ROI: bytes 0 and 2 of every pixel exchanged.
  static void Rgb2Bgr(TCPx24bitImage* image);

  // ---- single packed values ----------------------------------------------------------
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
