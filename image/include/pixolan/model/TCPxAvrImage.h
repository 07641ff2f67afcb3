#pragma once
#include <pixolan/PxExport.h>
#include <pixolan/model/TCPx8bitImage.h>
#include <pixolan/model/TCPxFloatImage.h>

/// Float image that keeps an exponentially weighted running average of a
/// stream of frames (background models). Reports ImageTypeFloat; Create and
/// Clone make plain float images.
class PIXOLAN_EXPORT TCPxAvrImage : public TCPxFloatImage
{
public:
  TCPxAvrImage(int width, int height);
  /// The first frame converted to float; takes its ROI.
  explicit TCPxAvrImage(const TCPx8bitImage& frame);
  /// Deep copy of a float image (or average); takes its ROI.
  explicit TCPxAvrImage(const TCPxFloatImage& image);
  TCPxAvrImage(const TCPxAvrImage& other);
  ~TCPxAvrImage() override;

  /// The float image's assignment: the source's ROI copied into this ROI.
  TCPxAvrImage& operator=(const TCPxAvrImage& other);
  using TCPxFloatImage::operator=;

  /// Where the mask is set (everywhere for a null mask), each average pixel of
  /// the ROI becomes (1 - alpha) * average + alpha * frame; elsewhere it keeps
  /// its value. Frame ROI, mask ROI and this ROI must have the same size
  /// (cv::Exception otherwise).
  void RunningAvr(const TCPx8bitImage& frame, double alpha, const TCPx8bitImage* mask);
  void RunningAvr(const TCPxFloatImage& frame, double alpha, const TCPx8bitImage* mask);
};
