#include <pixolan/analysis/TCPxSegmentation.h>

#include <algorithm>

#include <opencv2/imgproc.hpp>

#include <pixolan/model/TCPx24bitImage.h>
#include <pixolan/model/TCPx8bitImage.h>
#include <pixolan/model/TCPxInt32Image.h>

#include "PxImageViews.h"
#include "primitives/PxAnalysisPrimitives.h"

using _impl::RoiRegion;

void TCPxSegmentation::SegmentGrabcut(const TCPx24bitImage& image, TCPx8bitImage* mask, TCGenRect<int> rect)
{
  if (!mask)
    return;
  const cv::Mat source = RoiRegion(image);
  // A header over the mask's own pixels: with the sizes equal OpenCV writes
  // into them and never re-points the header.
  cv::Mat labels = RoiRegion(*mask);
  if (source.empty() || labels.size() != source.size())
    return;
  cv::Mat background, foreground;
  cv::grabCut(source, labels, cv::Rect(rect.GetLeft(), rect.GetTop(), rect.GetWidth(), rect.GetHeight()), background,
              foreground, 4, cv::GC_INIT_WITH_RECT);
}

void TCPxSegmentation::SegmentGradient(const TCPx8bitImage& image, TCPx8bitImage* markers)
{
  if (!markers)
    return;
  const cv::Mat grey = RoiRegion(image);
  cv::Mat labels = RoiRegion(*markers);
  const int width = std::min(grey.cols, labels.cols);
  const int height = std::min(grey.rows, labels.rows);
  PxAnalysisPrim::SegmentGradient8u(grey.data, static_cast<int>(grey.step), labels.data, static_cast<int>(labels.step),
                                    width, height);
}

void TCPxSegmentation::SegmentWatershed(const TCPx24bitImage& image, TCPxInt32Image* markers)
{
  if (!markers)
    return;
  const cv::Mat source = RoiRegion(image);
  cv::Mat labels = RoiRegion(*markers);
  if (source.empty() || labels.size() != source.size())
    return;
  cv::watershed(source, labels);
}
