#pragma once
#include <random>

#include <opencv2/core.hpp>

#include <pixolan/pixolan.h>

#include "ImageTestSupport.h"

namespace filtertest
{
/// Local header over an image's whole buffer.
using pxtest::Full;
inline cv::Mat View(const TCPxImageBase& image)
{
  return Full(image);
}

/// Uniform noise over 0..255 in every channel, whatever the element type.
inline void Noise(TCPxImageBase& image, unsigned seed)
{
  pxtest::FillRandom(image, seed, 0, 256);
}

/// Largest absolute difference over a rectangle.
inline double MaxDiff(const cv::Mat& a, const cv::Mat& b, const cv::Rect& r)
{
  return cv::norm(a(r), b(r), cv::NORM_INF);
}
} // namespace filtertest
