#include "PxMomentRules.h"

#include <cmath>
#include <limits>

#include <opencv2/imgproc.hpp>

namespace _impl
{
std::vector<double> DudaniFromMoments(const cv::Moments& moments)
{
  const double s = std::sqrt(moments.nu20 + moments.nu02);
  if (!(s > 0.0) || !std::isfinite(s))
    return std::vector<double>(7, std::numeric_limits<double>::quiet_NaN());
  double h[7];
  cv::HuMoments(moments, h);
  const double s2 = s * s;
  const double s4 = s2 * s2;
  const double s6 = s4 * s2;
  const double s8 = s4 * s4;
  const double s12 = s6 * s6;
  return {s, h[1] / s4, h[2] / s6, h[3] / s6, h[4] / s12, h[5] / s8, h[6] / s12};
}
} // namespace _impl
