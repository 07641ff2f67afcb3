#include <pixolan/analysis/TCPxHistogram.h>

#include <algorithm>
#include <cstdint>
#include <limits>

#include <pixolan/model/TCPx8bitImage.h>

#include "PxImageViews.h"
#include "primitives/PxPrimitives.h"

using _impl::RoiRegion;

TCPxHistogram::TCPxHistogram() : m_iNrBins(256), m_binned(256, 0.0), m_raw(256, 0.0)
{
}

TCPxHistogram::~TCPxHistogram() = default;

void TCPxHistogram::Calculate(const TCPx8bitImage& image, const TCPx8bitImage& mask)
{
  const cv::Mat pixels = RoiRegion(image);
  const cv::Mat m = RoiRegion(mask);
  if (pixels.size() != m.size())
  {
    std::fill(m_raw.begin(), m_raw.end(), 0.0);
    std::fill(m_binned.begin(), m_binned.end(), 0.0);
    return;
  }
  std::uint32_t counts[256] = {};
  if (!pixels.empty())
    PxPrim::MaskedHistogram256(pixels.data, static_cast<int>(pixels.step), m.data, static_cast<int>(m.step),
                               pixels.cols, pixels.rows, counts);
  for (int i = 0; i < 256; ++i)
    m_raw[i] += counts[i];
  CalculateBinnedValues();
}

void TCPxHistogram::Calculate(const TCPx8bitImage& image)
{
  // Every ROI pixel counts: the same as a mask of 255s, without building it.
  const cv::Mat pixels = RoiRegion(image);
  std::uint32_t counts[256] = {};
  if (!pixels.empty())
    PxPrim::Histogram256(pixels.data, static_cast<int>(pixels.step), pixels.cols, pixels.rows, counts);
  for (int i = 0; i < 256; ++i)
    m_raw[i] += counts[i];
  CalculateBinnedValues();
}

void TCPxHistogram::CalculateBinnedValues()
{
  if (m_iNrBins == 256)
  {
    m_binned = m_raw;
    return;
  }
  m_binned.assign(m_iNrBins, 0.0);
  const int width = 256 / m_iNrBins;
  for (int i = 0; i < 256; ++i)
    m_binned[std::min(i / width, m_iNrBins - 1)] += m_raw[i];
}

void TCPxHistogram::SetNrBins(int n)
{
  // Outside 1 ... 256 the bin width 256 / n would be 0 (or the bins more
  // than the grey levels): keep the current binning.
  if (n < 1 || n > 256)
    return;
  m_iNrBins = n;
  m_binned.assign(n, 0.0);
  CalculateBinnedValues();
}

double TCPxHistogram::GetMaximumValue() const
{
  if (m_binned.empty())
    return std::numeric_limits<double>::quiet_NaN();
  return *std::max_element(m_binned.begin(), m_binned.end());
}

double TCPxHistogram::GetMinimumValue() const
{
  if (m_binned.empty())
    return std::numeric_limits<double>::quiet_NaN();
  return *std::min_element(m_binned.begin(), m_binned.end());
}

TCPxHistogram& TCPxHistogram::operator/=(const TCPxHistogram& other)
{
  const std::size_t n = std::min(m_binned.size(), other.m_binned.size());
  for (std::size_t i = 0; i < n; ++i)
    if (other.m_binned[i] != 0 && m_binned[i] != 0)
      m_binned[i] /= other.m_binned[i];
  return *this;
}
