#pragma once
#include <pixolan/PxExport.h>

class TCPxContour;
class TCPxImageBase;
class TCPx8bitImage;

/// Shape and template matching.
class PIXOLAN_EXPORT TCPxMatching
{
public:
  TCPxMatching() = delete;

  /// Hu-moment distance of two outlines (cv::matchShapes; method 1 to 3 as
  /// cv::CONTOURS_MATCH_I1 ... I3).
  static double MatchContours(const TCPxContour& a, const TCPxContour& b, int method);

  /// overlap true: the number of pixels set in both ROIs (b read from its own
  /// ROI offset over a's ROI size); false: the Hu-moment distance of the two
  /// ROIs as images (I1). −1 when b's ROI is smaller than a's.
  static double MatchImages(const TCPx8bitImage& a, const TCPx8bitImage& b, bool overlap);
  /// overlap true: a's ROI := a AND b (b read as above), then the sum of
  /// a's ROI grey values (255 per common pixel of two 0/255 masks); false:
  /// the Hu-moment distance as above, a unchanged. −1 and a unchanged when
  /// b's ROI is smaller than a's.
  static double MatchImages(TCPx8bitImage* a, const TCPx8bitImage& b, bool overlap);

  /// Methods 0 ... 5: cv::matchTemplate of the two ROIs (TM_SQDIFF ...
  /// TM_CCOEFF_NORMED) into `result`, which must be a float image whose ROI is
  /// (W − w + 1) × (H − h + 1); image and template of one type, the template
  /// not larger than the image. Method 6: the dense optical flow from the
  /// template to the image (both 8-bit, equal ROI sizes) and Σ|flow| written
  /// to result pixel (0, 0); it runs on the library's one flow calculator,
  /// guarded by a lock. Anything else (another method, mismatched types or
  /// sizes) leaves `result` unchanged.
  static void MatchTemplate(const TCPxImageBase& image, const TCPxImageBase& templ, TCPxImageBase* result, int method);
};
