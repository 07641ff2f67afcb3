#pragma once
#include <general/TCGenRect.h>
#include <pixolan/PxExport.h>

class TCPx8bitImage;
class TCPx24bitImage;
class TCPxInt32Image;

/// Segmentation of colour and grey images from seeds or a rectangle.
class PIXOLAN_EXPORT TCPxSegmentation
{
public:
  TCPxSegmentation() = delete;

  /// GrabCut (4 iterations) initialised with `rect` (left, top, right,
  /// bottom): the mask ROI receives OpenCV's labels 0 (background) ... 3
  /// (probable foreground). Nothing happens unless the mask ROI has the
  /// image ROI's size.
  static void SegmentGrabcut(const TCPx24bitImage& image, TCPx8bitImage* mask, TCGenRect<int> rect);
  /// Grows the non-zero marker labels over the zero pixels, 8-connected, in
  /// order of the smallest grey difference to an already labelled neighbour;
  /// each ROI read from its own offset, over the size both ROIs share. Every
  /// pixel connected to a seed ends with a seed's label.
  static void SegmentGradient(const TCPx8bitImage& image, TCPx8bitImage* markers);
  /// Watershed (cv::watershed) of the image ROI from the marker labels, in
  /// place: −1 on the boundaries between regions. Nothing happens unless the
  /// two ROIs have one size.
  static void SegmentWatershed(const TCPx24bitImage& image, TCPxInt32Image* markers);
};
