#pragma once
// Helpers shared by the image tests: whole-buffer views, typed random fills
// and exact comparisons that name the first differing pixel.
#include <cmath>
#include <cstdint>
#include <random>
#include <sstream>
#include <vector>

#include <gtest/gtest.h>
#include <opencv2/core.hpp>

#include <pixolan/model/TCPxImageBase.h>

namespace pxtest
{
/// A header over the image's whole buffer (padding excluded), whatever its ROI.
inline cv::Mat Full(const TCPxImageBase& image)
{
  return *image.GetFullMatPtr();
}

/// Fills the whole buffer of `m` with uniform values in [lo, hi), the same for
/// the same seed. Without a range: bytes over 0..255, floats over -10..10,
/// 32-bit integers over their whole range.
inline void FillRandom(cv::Mat m, std::uint64_t seed, double lo = 0, double hi = 0)
{
  cv::RNG rng(seed);
  if (lo >= hi)
  {
    switch (m.depth())
    {
    case CV_32F: lo = -10, hi = 10; break;
    case CV_32S: lo = INT32_MIN, hi = 2147483648.0; break;
    default: lo = 0, hi = 256; break;
    }
  }
  rng.fill(m, cv::RNG::UNIFORM, cv::Scalar::all(lo), cv::Scalar::all(hi));
}

inline void FillRandom(const TCPxImageBase& image, std::uint64_t seed, double lo = 0, double hi = 0)
{
  FillRandom(Full(image), seed, lo, hi);
}

/// n reproducible random bytes.
inline std::vector<std::uint8_t> RandomBytes(std::size_t n, unsigned seed)
{
  std::mt19937 rng(seed);
  std::vector<std::uint8_t> v(n);
  for (auto& b : v)
    b = static_cast<std::uint8_t>(rng() & 0xFF);
  return v;
}

/// Exact equality of two matrices of one size and type (NaN equals NaN), or
/// the first pixel and channel where they differ.
inline ::testing::AssertionResult Same(const cv::Mat& a, const cv::Mat& b)
{
  if (a.size() != b.size() || a.type() != b.type())
    return ::testing::AssertionFailure() << "size or type differ: " << a.cols << "x" << a.rows << " type "
                                         << a.type() << " vs " << b.cols << "x" << b.rows << " type " << b.type();
  const int n = a.cols * a.channels();
  for (int y = 0; y < a.rows; ++y)
    for (int i = 0; i < n; ++i)
    {
      double va = 0, vb = 0;
      switch (a.depth())
      {
      case CV_8U: va = a.ptr<std::uint8_t>(y)[i], vb = b.ptr<std::uint8_t>(y)[i]; break;
      case CV_16S: va = a.ptr<std::int16_t>(y)[i], vb = b.ptr<std::int16_t>(y)[i]; break;
      case CV_32S: va = a.ptr<std::int32_t>(y)[i], vb = b.ptr<std::int32_t>(y)[i]; break;
      case CV_32F: va = a.ptr<float>(y)[i], vb = b.ptr<float>(y)[i]; break;
      case CV_64F: va = a.ptr<double>(y)[i], vb = b.ptr<double>(y)[i]; break;
      default: return ::testing::AssertionFailure() << "unsupported depth " << a.depth();
      }
      if (va != vb && !(std::isnan(va) && std::isnan(vb)))
        return ::testing::AssertionFailure() << "first difference at (" << i / a.channels() << ", " << y
                                             << ") channel " << i % a.channels() << ": " << va << " vs " << vb;
    }
  return ::testing::AssertionSuccess();
}

/// The same over the images' whole buffers.
inline ::testing::AssertionResult Same(const TCPxImageBase& a, const TCPxImageBase& b)
{
  return Same(Full(a), Full(b));
}
} // namespace pxtest
