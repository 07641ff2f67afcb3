#pragma once
// Small helpers shared by the contour's source files.
#include <climits>
#include <cmath>
#include <limits>

#include <opencv2/core.hpp>

#include <general/TCGenPoint.h>

namespace pxcontour
{
constexpr double kPi = 3.14159265358979323846;
inline const double kNaN = std::numeric_limits<double>::quiet_NaN();

// Truncation toward zero that cannot overflow: NaN gives 0, values beyond
// the int range saturate.
inline int TruncToInt(double v)
{
  if (std::isnan(v))
    return 0;
  if (v >= static_cast<double>(INT_MAX))
    return INT_MAX;
  if (v <= static_cast<double>(INT_MIN))
    return INT_MIN;
  return static_cast<int>(v);
}

inline TCGenPoint<int> ToGen(const cv::Point& p)
{
  return TCGenPoint<int>(p.x, p.y);
}
} // namespace pxcontour
