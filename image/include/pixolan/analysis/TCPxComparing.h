#pragma once
#include <pixolan/PxExport.h>

class TCPx8bitImage;
class TCPxFloatImage;

/// Pixel-wise comparisons of float images into 0/255 masks. Each processes
/// only the size that every operand holds.
class PIXOLAN_EXPORT TCPxComparing
{
public:
  TCPxComparing() = delete;

  /// dst := 255 where a > b; the whole images, from their first pixels.
  static void CompareGreater(TCPx8bitImage* dst, const TCPxFloatImage& a, const TCPxFloatImage& b);
  /// dst := 255 where a < b; each ROI from its own offset.
  static void CompareLess(TCPx8bitImage* dst, const TCPxFloatImage& a, const TCPxFloatImage& b);
  /// dst := 255 where |a − value| <= eps; each ROI from its own offset.
  static void CompareValue(TCPx8bitImage* dst, const TCPxFloatImage& a, float value, float eps);
};
