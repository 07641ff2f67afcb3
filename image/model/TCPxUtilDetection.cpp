// Peak finding and the Hough detectors of TCPxUtil.
#include <pixolan/model/TCPx8bitImage.h>
#include <pixolan/model/TCPxFloatImage.h>
#include <pixolan/model/TCPxUtil.h>

#include <algorithm>
#include <cmath>

#include <opencv2/core.hpp>
#include <opencv2/imgproc.hpp>

#include <general/TCGenMathUtils.h>

#include "primitives/PxUtilPrimitives.h"

std::vector<TCGenPoint<int>> TCPxUtil::FindPeaks(const TCPxFloatImage& image, double threshold, int maxPeaks)
{
  std::vector<TCGenPoint<int>> result;
  const TCGenRect<int> roi = image.GetROI();
  const int width = roi.GetWidth();
  const int height = roi.GetHeight();
  if (maxPeaks <= 0 || width <= 0 || height <= 0)
    return result;
  const long long pixels = static_cast<long long>(width) * height;
  const int limit = static_cast<int>(std::min<long long>(maxPeaks, pixels));
  const float* start = static_cast<const float*>(image.GetBuffer()) + image.GetROIOffset();
  std::vector<cv::Point> peaks;
  PxPrim::FindPeaks3x3(start, image.GetStepSize(), width, height, static_cast<float>(threshold), limit, &peaks);
  result.reserve(peaks.size());
  for (const cv::Point& p : peaks)
    result.emplace_back(p.x, p.y);
  return result;
}

void TCPxUtil::DetectCircles(TCPx8bitImage* image)
{
  if (!image || !image->GetMatPtr())
    return;
  cv::Mat view = *image->GetMatPtr();
  if (view.empty())
    return;
  std::vector<cv::Vec3f> circles;
  cv::HoughCircles(view, circles, cv::HOUGH_GRADIENT, 1.0, 80.0, 100.0, 10.0, 12, 48);
  const std::size_t count = std::min<std::size_t>(circles.size(), 96);
  for (std::size_t i = 0; i < count; ++i)
  {
    const cv::Point centre(TCGenMathUtils::RoundFast(circles[i][0]), TCGenMathUtils::RoundFast(circles[i][1]));
    cv::circle(view, centre, 3, cv::Scalar(255), 2);
    cv::circle(view, centre, TCGenMathUtils::RoundFast(circles[i][2]), cv::Scalar(255), 1);
  }
}

std::vector<std::pair<double, double>> TCPxUtil::DetectLines(TCPx8bitImage* image)
{
  std::vector<std::pair<double, double>> result;
  if (!image || !image->GetMatPtr())
    return result;
  const cv::Mat view = *image->GetMatPtr();
  if (view.empty())
    return result;
  // One-pixel and one-degree steps; a line needs votes from a quarter of the
  // shorter side, so short strokes and noise do not count as lines.
  const int votes = std::max(1, std::min(view.cols, view.rows) / 4);
  std::vector<cv::Vec2f> lines;
  cv::HoughLines(view, lines, 1.0, CV_PI / 180.0, votes, 0.0, 0.0, 0.0, CV_PI);
  result.reserve(lines.size());
  for (const cv::Vec2f& line : lines)
    result.emplace_back(line[0], line[1]);
  return result;
}
