#pragma once
#include <random>

#include <opencv2/core.hpp>

#include <pixolan/pixolan.h>

namespace filtertest
{
/// Local header over an image's whole buffer.
inline cv::Mat View(const TCPxImageBase& image)
{
  return *image.GetFullMatPtr();
}

inline void Noise(TCPxImageBase& image, unsigned seed)
{
  cv::Mat m = View(image);
  cv::setRNGSeed(static_cast<int>(seed));
  cv::randu(m, cv::Scalar::all(0), cv::Scalar::all(256));
}

/// Largest absolute difference over a rectangle.
inline double MaxDiff(const cv::Mat& a, const cv::Mat& b, const cv::Rect& r)
{
  return cv::norm(a(r), b(r), cv::NORM_INF);
}
} // namespace filtertest
