#include <pixolan/analysis/TCPxMatching.h>

#include <opencv2/imgproc.hpp>

#include <pixolan/analysis/TCPxContour.h>
#include <pixolan/model/TCPx8bitImage.h>
#include <pixolan/model/TCPxFloatImage.h>

#include "PxImageViews.h"
#include "PxSharedOpticalFlow.h"

using _impl::RoiRegion;

namespace
{
// Whether `b`, read from its ROI's top-left pixel, covers a region of a's ROI size.
bool Covers(const TCPxImageBase& b, const TCPxImageBase& a)
{
  const TCGenRect<int> ra = a.GetROI();
  const TCGenRect<int> rb = b.GetROI();
  return static_cast<long long>(rb.GetLeft()) + ra.GetWidth() <= b.GetWidth() &&
         static_cast<long long>(rb.GetTop()) + ra.GetHeight() <= b.GetHeight();
}

cv::Mat OperandOver(const TCPxImageBase& b, const TCPxImageBase& a)
{
  const TCGenRect<int> ra = a.GetROI();
  const TCGenRect<int> rb = b.GetROI();
  return _impl::RegionView(b, cv::Rect(rb.GetLeft(), rb.GetTop(), ra.GetWidth(), ra.GetHeight()));
}

// Σ|flow| from the template to the image, on the library's calculator.
void MatchByFlow(const TCPxImageBase& image, const TCPxImageBase& templ, TCPxImageBase* result)
{
  if (image.GetImageType() != ImageType8bit || templ.GetImageType() != ImageType8bit ||
      result->GetImageType() != ImageTypeFloat)
    return;
  const TCGenRect<int> roi = image.GetROI();
  if (roi.GetWidth() <= 0 || roi.GetHeight() <= 0 || roi.GetWidth() != templ.GetROI().GetWidth() ||
      roi.GetHeight() != templ.GetROI().GetHeight() || result->GetROI().GetWidth() < 1 ||
      result->GetROI().GetHeight() < 1)
    return;
  TCPxFloatImage fx(roi.GetWidth(), roi.GetHeight());
  TCPxFloatImage fy(roi.GetWidth(), roi.GetHeight());
  _impl::CalcSharedOpticalFlow(static_cast<const TCPx8bitImage&>(templ), static_cast<const TCPx8bitImage&>(image),
                               &fx, &fy);
  cv::Mat magnitude;
  cv::magnitude(*fx.GetFullMatPtr(), *fy.GetFullMatPtr(), magnitude);
  static_cast<TCPxFloatImage*>(result)->SetPixel(0, 0, static_cast<float>(cv::sum(magnitude)[0]));
}

double ShapeDistance(const TCPx8bitImage& a, const TCPx8bitImage& b)
{
  return cv::matchShapes(RoiRegion(a), RoiRegion(b), cv::CONTOURS_MATCH_I1, 0);
}
}  // namespace

double TCPxMatching::MatchContours(const TCPxContour& a, const TCPxContour& b, int method)
{
  return cv::matchShapes(a.GetPoints(), b.GetPoints(), method, 0);
}

double TCPxMatching::MatchImages(const TCPx8bitImage& a, const TCPx8bitImage& b, bool overlap)
{
  if (!overlap)
    return ShapeDistance(a, b);
  if (!Covers(b, a))
    return -1;
  cv::Mat both;
  cv::bitwise_and(RoiRegion(a), OperandOver(b, a), both);
  return cv::countNonZero(both);
}

double TCPxMatching::MatchImages(TCPx8bitImage* a, const TCPx8bitImage& b, bool overlap)
{
  if (!a)
    return -1;
  if (!overlap)
    return ShapeDistance(*a, b);
  if (!Covers(b, *a))
    return -1;
  cv::Mat dst = RoiRegion(*a);
  cv::bitwise_and(dst, OperandOver(b, *a), dst);
  return cv::sum(dst)[0];
}

void TCPxMatching::MatchTemplate(const TCPxImageBase& image, const TCPxImageBase& templ, TCPxImageBase* result,
                                 int method)
{
  if (!result)
    return;
  if (method >= 0 && method <= 5)
  {
    const cv::Mat source = RoiRegion(image);
    const cv::Mat pattern = RoiRegion(templ);
    if (source.empty() || pattern.empty() || source.type() != pattern.type() || pattern.cols > source.cols ||
        pattern.rows > source.rows)
      return;
    const int depth = source.depth();
    if ((depth != CV_8U && depth != CV_32F) || source.channels() > 4)
      return;
    // OpenCV writes into this header; with the size and type checked it
    // writes straight into the result's pixels and never re-points it.
    cv::Mat out = RoiRegion(*result);
    if (out.type() != CV_32FC1 || out.cols != source.cols - pattern.cols + 1 ||
        out.rows != source.rows - pattern.rows + 1)
      return;
    cv::matchTemplate(source, pattern, out, method);
    return;
  }
  if (method == 6)
    MatchByFlow(image, templ, result);
}
