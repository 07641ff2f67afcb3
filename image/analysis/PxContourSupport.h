#pragma once
// Small helpers shared by the contour's source files.
#include <climits>
#include <cmath>
#include <limits>

#include <opencv2/core.hpp>

#include <general/TCGenPoint.h>

#include "primitives/PxPrimitives.h"

namespace pxcontour
{
constexpr double kPi = 3.14159265358979323846;
inline const double kNaN = std::numeric_limits<double>::quiet_NaN();

using PxPrim::TruncToInt;

inline TCGenPoint<int> ToGen(const cv::Point& p)
{
  return TCGenPoint<int>(p.x, p.y);
}
} // namespace pxcontour
