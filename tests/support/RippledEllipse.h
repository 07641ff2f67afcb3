#pragma once
// A test shape for contour code: an ellipse (radii 400 and 250) with a
// seven-fold ripple, as `points` integer points around (cx, cy).
#include <cmath>
#include <vector>

#include <opencv2/core.hpp>

namespace pixolan_test
{
inline std::vector<cv::Point> RippledEllipse(int points, int cx, int cy)
{
  std::vector<cv::Point> p;
  for (int j = 0; j < points; ++j)
  {
    const double t = 2 * CV_PI * j / points;
    const double r = 1.0 + 0.05 * std::sin(7 * t);
    p.emplace_back(cvRound(cx + 400 * r * std::cos(t)), cvRound(cy + 250 * r * std::sin(t)));
  }
  return p;
}
} // namespace pixolan_test
