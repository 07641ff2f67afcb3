#pragma once
// Rules on OpenCV moments shared by the contour class and the invariants
// (internal to the library, not installed).
#include <vector>

namespace cv
{
class Moments;
}

namespace _impl
{
/// Scale-normalised Hu invariants [s, h1/s^4, h2/s^6, h3/s^6, h4/s^12,
/// h5/s^8, h6/s^12] with s = sqrt(nu20 + nu02) and h the Hu values (h0 is
/// left out: it is s^2). Seven NaN when s is 0 or not finite.
std::vector<double> DudaniFromMoments(const cv::Moments& moments);
} // namespace _impl
