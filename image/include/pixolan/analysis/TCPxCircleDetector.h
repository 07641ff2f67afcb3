#pragma once
#include <vector>

#include <pixolan/PxExport.h>
#include <pixolan/analysis/TCPxCircle.h>

class TCPx8bitImage;

namespace _impl
{
class TCPxCircleDetectorImpl;
}

/// Finds a set of equally sized circular objects (wells, discs, dishes) in an
/// 8-bit grey camera image, brighter or darker than their surroundings.
///
/// Closed contours of the image's edge map vote for circle centres; the
/// strongest vote blobs become circles when their radius lies within 20 % of
/// the mean candidate radius and they overlap no stronger one. Edges the
/// circles do not explain are searched again until nothing new turns up, and
/// a template match of the mean circle's appearance adds circles whose edges
/// were too weak. Every circle returned has the same radius (the mean); the
/// smallest radius found is 12 pixels.
///
/// The detector keeps its working images between calls (reallocated only when
/// the image size changes). One detector must not be used from two threads at
/// once; separate detectors are independent.
class PIXOLAN_EXPORT TCPxCircleDetector
{
public:
  TCPxCircleDetector();
  ~TCPxCircleDetector();
  TCPxCircleDetector(const TCPxCircleDetector&) = delete;
  TCPxCircleDetector& operator=(const TCPxCircleDetector&) = delete;

  /// Searches the whole image (its ROI is ignored) and replaces `*circles` by
  /// the circles found, in detection order, centres and radius in pixels.
  /// An image without edges (blank) and an image narrower or lower than 26
  /// pixels leave `*circles` as it was: callers that reuse the vector should
  /// clear it first. A null `circles` does nothing. Exceptions of the image
  /// classes, filters and OpenCV propagate.
  void ProcessImage(const TCPx8bitImage& image, std::vector<TCPxCircle>* circles);

private:
  _impl::TCPxCircleDetectorImpl* m_pImpl;
};
