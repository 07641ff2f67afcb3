#include <pixolan/filters/TCPxFilterCORF.h>
#include <pixolan/filters/TCPxFilterGauss.h>
#include <pixolan/model/TCPx8bitImage.h>
#include <pixolan/model/TCPxConversion.h>
#include <pixolan/model/TCPxFloatImage.h>

#include <general/TCGenMathUtils.h>
#include <tarvekmath/TCMathUblasUtils.h>

#include <algorithm>
#include <cmath>
#include <limits>
#include <memory>
#include <utility>
#include <vector>

#include <opencv2/core.hpp>

#include "PxFilterSupport.h"
#include "PxParallel.h"
#include "primitives/PxFloatPrimitives.h"

namespace
{
using CORFCreator = of_internal::TCGenOfCreator0<TCPxImageFilter, TCPxFilterCORF>;
constexpr double kPi = 3.14159265358979323846;
constexpr int kOrientations = 16;

/// DoG of `input` (whole image) with kernel `kernelSize`, sigmas sigma and
/// ratio * sigma, reflecting borders: the on response; off = -on; both clipped at 0.
std::pair<TCPxFloatImage, TCPxFloatImage> HalfWaveResponses(const TCPxFloatImage& input, int kernelSize, double sigma,
                                                            double ratio)
{
  TCPxFilterDoG dog(kernelSize, sigma, ratio * sigma);
  dog.SetBorderHandling(Px::BorderReflect);
  std::pair<TCPxFloatImage, TCPxFloatImage> r(TCPxFloatImage(input.GetWidth(), input.GetHeight()),
                                              TCPxFloatImage(input.GetWidth(), input.GetHeight()));
  dog.ProcessImage(const_cast<TCPxFloatImage*>(&input), &r.first);
  r.second = r.first;
  r.second *= -1.0f;
  r.first.SetMinimumValue(0.0f);
  r.second.SetMinimumValue(0.0f);
  return r;
}

/// One group of consecutive tuples sharing polarity, sigma and radius: the
/// logarithm of the blurred response times the group's weight, and per
/// orientation and tuple the circular shift (rows, columns) at which it is read.
struct Group
{
  std::unique_ptr<TCPxFloatImage> weightedLog;
  std::vector<std::vector<std::pair<int, int>>> shifts; ///< [orientation][tuple of the group]
};

bool SameGroup(const TCPxFilterCORF::Tuple& a, const TCPxFilterCORF::Tuple& b)
{
  return a.rho == b.rho && a.sigma == b.sigma && a.polarity == b.polarity;
}

/// Mirrors the shift sequence of the operator: a tuple that starts a group
/// shifts by (trunc(rho sin t), trunc(-rho cos t)); each following tuple of
/// the group shifts further by (trunc(rho sin t) - Round(sx), Round(sy) -
/// trunc(rho cos t)) with (sx, sy) of the group's first tuple.
std::vector<std::pair<int, int>> ShiftsOf(const std::vector<TCPxFilterCORF::Tuple>& tuples, std::size_t first,
                                          std::size_t end, int orientation)
{
  std::vector<std::pair<int, int>> shifts;
  int rows = 0, cols = 0;
  double sx = 0, sy = 0;
  for (std::size_t k = first; k < end; ++k)
  {
    const double theta = orientation * kPi / 8 + tuples[k].phi;
    const double rs = tuples[k].rho * std::sin(theta), rc = tuples[k].rho * std::cos(theta);
    if (k == first)
    {
      sx = rs;
      sy = rc;
      rows = static_cast<int>(rs);
      cols = static_cast<int>(-rc);
    }
    else
    {
      rows += static_cast<int>(rs) - TCGenMathUtils::Round(sx);
      cols += TCGenMathUtils::Round(sy) - static_cast<int>(rc);
    }
    shifts.emplace_back(rows, cols);
  }
  return shifts;
}

/// Blur of the group's response as the operator does it, radius (0.9 rho + 2) / 2,
/// from `response` into `blurred` (of the same size).
void BlurForRadius(const TCPxFloatImage& response, TCPxFloatImage* blurred, double rho)
{
  const double r = (0.9 * rho + 2.0) / 2;
  if (!(r > 0))
  {
    *blurred = response;
    return;
  }
  int size = TCGenMathUtils::Round(2 * r + 1);
  if (size % 2 == 0)
    ++size;
  TCPxFilterGauss gauss(size, r / 3);
  gauss.SetBorderHandling(Px::BorderReflect);
  gauss.ProcessImage(const_cast<TCPxFloatImage*>(&response), blurred);
}

/// image = weight * ln(image) over the whole buffer. OpenCV's vectorised
/// logarithm (within 1e-6 of the exact one) does the bulk; it flushes zero and
/// subnormal inputs to -88, so those pixels get the exact value (-inf for 0):
/// with a small weight a flushed zero would otherwise not pull the product to 0.
void WeightedLog(TCPxFloatImage& image, double weight)
{
  cv::Mat& m = *image.GetFullMatPtr();
  std::vector<float> logs(static_cast<std::size_t>(m.cols));
  cv::Mat logRow(1, m.cols, CV_32F, logs.data());
  const float w = static_cast<float>(weight);
  for (int y = 0; y < m.rows; ++y)
  {
    float* v = m.ptr<float>(y);
    cv::log(cv::Mat(1, m.cols, CV_32F, v), logRow);
    for (int x = 0; x < m.cols; ++x)
      v[x] = w * (v[x] < std::numeric_limits<float>::min() ? std::log(v[x]) : logs[x]);
  }
}

} // namespace

PX_REGISTER_FILTER(TCPxFilterCORF, CORF, CORFCreator, "contour operator over 16 orientations (sigma 2.5)",
                   PxFilterTable::Accepts({ImageType8bit, ImageTypeFloat}))

TCPxFilterCORF::TCPxFilterCORF()
{
  Configure();
}

void TCPxFilterCORF::SetSigma(double sigma)
{
  if (m_dSigma < 1 || m_dSigma > 5)
    return;
  m_dSigma = sigma;
  Configure();
}

void TCPxFilterCORF::Configure()
{
  const double s = m_dSigma;
  if (s >= 1 && s < 2.5)
  {
    m_radii = {14.38, 6.9796, 3.031, 1.4135};
    m_iHalfSize = 16;
    m_dMaxRadius = 14.38;
  }
  else if (s >= 2.5 && s < 4)
  {
    m_radii = {3.0515, 6.1992, 12.6488, 24.62};
    m_iHalfSize = 26;
    m_dMaxRadius = 24.62;
  }
  else if (s >= 4 && s <= 5)
  {
    m_radii = {3.3021, 4.7877, 9.2467, 18.08, 34.43};
    m_iHalfSize = 36;
    m_dMaxRadius = 34.43;
  }
  if (m_radii.empty())
    return; // constructed outside every band: nothing to sample
  const int h = m_iHalfSize;
  TCPxFloatImage edge(2 * h, 2 * h);
  for (int y = 0; y < h; ++y)
    std::fill_n(edge.GetFullMatPtr()->ptr<float>(y), 2 * h, 1.0f);
  const auto responses = HalfWaveResponses(edge, 2 * h + 1, m_dSigma, m_dSigmaRatio);

  m_tuples.clear();
  std::vector<double> samples(360);
  for (const double rho : m_radii)
    for (int polarity = 0; polarity < 2; ++polarity)
    {
      const cv::Mat& response = *(polarity == 0 ? responses.first : responses.second).GetFullMatPtr();
      double largest = 0;
      for (int j = 1; j <= 360; ++j)
      {
        const double alpha = (j + 90) * kPi / 180;
        const int x = std::clamp(TCGenMathUtils::RoundFast(std::cos(alpha) * rho + h) - 1, 0, 2 * h - 1);
        const int y = std::clamp(TCGenMathUtils::RoundFast(std::sin(alpha) * rho + h) - 1, 0, 2 * h - 1);
        samples[j - 1] = response.at<float>(y, x);
        largest = std::max(largest, samples[j - 1]);
      }
      for (double& v : samples)
        v = v < 0.1 * largest ? 0.0 : TCGenMathUtils::RoundFast(v * 1000) / 1000.0;
      for (const double p : TCMathUblasUtils::FindPeakCenters(TCMathUblasUtils::Dblvec2Mathvec(samples)))
        m_tuples.push_back(Tuple{polarity, m_dSigma, rho, (p + 1) * kPi / 180});
    }
}

void TCPxFilterCORF::ProcessImage(TCPxImageBase* source, TCPxImageBase* destination) const
{
  if (!source)
    return;
  const NPxImageTypes type = source->GetImageType();
  const bool floatOut = destination && destination->GetImageType() == ImageTypeFloat;
  if ((type != ImageType8bit && type != ImageTypeFloat) ||
      (!_impl::DestinationFits(*source, destination) &&
       !(type == ImageType8bit && floatOut && destination->GetWidth() == source->GetWidth() &&
         destination->GetHeight() == source->GetHeight())))
    return;
  std::unique_ptr<TCPxFloatImage> floats;
  if (type == ImageType8bit)
    floats = std::make_unique<TCPxFloatImage>(static_cast<const TCPx8bitImage&>(*source));
  const TCPxFloatImage& from = floats ? *floats : static_cast<const TCPxFloatImage&>(*source);

  // The ROI, scaled to 0..1, on a copy: the caller's image stays as it is.
  std::unique_ptr<TCPxFloatImage> input(static_cast<TCPxFloatImage*>(from.CreateImageOfROI()));
  if (!input || m_tuples.empty())
    return;
  *input /= 255.0f;
  const int width = input->GetWidth(), height = input->GetHeight();
  const auto responses = HalfWaveResponses(*input, 2 * m_iHalfSize - 1, m_dSigma, m_dSigmaRatio);

  // The blurred, weighted response of a group does not depend on the
  // orientation: build it once, and read it at each tuple's net shift.
  const double spread = m_dMaxRadius / 3;
  struct Span
  {
    std::size_t first, end;
    double weight;
  };
  std::vector<Span> spans;
  double weightSum = 0;
  for (std::size_t first = 0; first < m_tuples.size();)
  {
    std::size_t end = first + 1;
    while (end < m_tuples.size() && SameGroup(m_tuples[end], m_tuples[end - 1]))
      ++end;
    const double rho = m_tuples[first].rho;
    const double w = std::exp(-rho * rho / (2 * spread * spread));
    spans.push_back(Span{first, end, w});
    weightSum += w * static_cast<double>(end - first);
    first = end;
  }
  std::vector<Group> groups(spans.size());
  _impl::ForEachIndex(spans.size(), [&](std::size_t i) {
    const Tuple& t = m_tuples[spans[i].first];
    Group& g = groups[i];
    g.weightedLog = std::make_unique<TCPxFloatImage>(width, height);
    BlurForRadius(t.polarity == 0 ? responses.first : responses.second, g.weightedLog.get(), t.rho);
    WeightedLog(*g.weightedLog, spans[i].weight);
    for (int a = 0; a < kOrientations; ++a)
      g.shifts.push_back(ShiftsOf(m_tuples, spans[i].first, spans[i].end, a));
  });

  // Per row band: the weighted geometric mean over the tuples for every
  // orientation, as the sum of weighted logarithms (one logarithm per group
  // and pixel instead of a power per group and one per result), and the
  // maximum over the orientations. A zero response gives -inf, so the sum
  // keeps the product's zero.
  TCPxFloatImage best(width, height);
  best.Fill(-std::numeric_limits<float>::infinity());
  cv::Mat& bestView = *best.GetFullMatPtr();
  // Bands of up to 16 rows keep the rows the group images are read at in cache.
  _impl::ForEachRowBand(height, std::min(16, height / 8), [&](int rowBegin, int rowEnd) {
    std::vector<float> a(static_cast<std::size_t>(width));
    for (int y = rowBegin; y < rowEnd; ++y)
    {
      float* bestRow = bestView.ptr<float>(y);
      for (int o = 0; o < kOrientations; ++o)
      {
        std::fill(a.begin(), a.end(), 0.0f);
        for (const Group& g : groups)
        {
          const cv::Mat& image = *g.weightedLog->GetFullMatPtr();
          for (const auto& [rows, cols] : g.shifts[o])
          {
            int sy = (y - rows) % height;
            if (sy < 0)
              sy += height;
            PxFloatPrim::AddCircularRow(a.data(), image.ptr<float>(sy), width, cols);
          }
        }
        PxFloatPrim::BinaryRows(PxFloatPrim::EBinary::Max, bestRow, 0, a.data(), 0, bestRow, 0, width, 1);
      }
    }
  });
  // exp(x / S) is increasing: the mean of the maximum is the maximum of the means.
  bestView *= 1.0 / weightSum;
  cv::exp(bestView, bestView);

  if (type == ImageTypeFloat || floatOut)
  {
    TCPxImageBase* target = floatOut ? destination : source;
    cv::Mat view = *target->GetMatPtr();
    if (view.size() == bestView.size())
      bestView.copyTo(view);
    return;
  }
  best.Normalize();
  best *= 255.0f;
  TCPxConversion::Float2Byte(best, static_cast<TCPxByteImage*>(_impl::Target(source, destination)));
}
