#include <pixolan/filters/TCPxFilterSmoothing.h>
#include <pixolan/model/TCPxImageBase.h>

#include <algorithm>
#include <cmath>
#include <cstdint>
#include <vector>

#include <opencv2/core.hpp>
#include <opencv2/imgproc.hpp>

#include "PxFilterSupport.h"
#include "primitives/PxFilterPrimitives.h"

using BilateralCreator = of_internal::TCGenOfCreator1<TCPxImageFilter, TCPxFilterBilateral, int>;
using KuwaharaCreator = of_internal::TCGenOfCreator1<TCPxImageFilter, TCPxFilterKuwahara, int>;
using SNNCreator = of_internal::TCGenOfCreator1<TCPxImageFilter, TCPxFilterSNN, int>;
using PMDiffusionCreator = of_internal::TCGenOfCreator0<TCPxImageFilter, TCPxFilterPMDiffusion>;
PX_REGISTER_FILTER(TCPxFilterBilateral, Bilateral, BilateralCreator, "edge-preserving bilateral smoothing",
                   PxFilterTable::Accepts({ImageType8bit, ImageType24bit}),
                   PxFilterTable::Integer("kernelSize", "side of the square window, odd", 5, 1, 19, true))
PX_REGISTER_FILTER(TCPxFilterKuwahara, Kuwahara, KuwaharaCreator, "mean of the window quadrant of least variance",
                   PxFilterTable::Accepts({ImageType8bit}),
                   PxFilterTable::Integer("kernelSize", "side of the square window, odd", 5, 3, 255, true))
PX_REGISTER_FILTER(TCPxFilterSNN, SNN, SNNCreator, "symmetric nearest-neighbour smoothing",
                   PxFilterTable::Accepts({ImageType8bit}),
                   PxFilterTable::Integer("kernelSize", "side of the square window, odd", 3, 1, 255, true))
PX_REGISTER_FILTER(TCPxFilterPMDiffusion, PMDiffusion, PMDiffusionCreator,
                   "100 iterations of Perona-Malik diffusion", PxFilterTable::Accepts({ImageType8bit}))

// ---- Bilateral ---------------------------------------------------------------------------------
namespace
{
constexpr double kValueSigma = 150.0;   // value square sigma 22500
constexpr double kPositionSigma = 3.0;  // position square sigma 9

// Bilateral smoothing of `area` of a one-channel image into `out` (the area's
// size); the window's neighbourhood around the area is read from the image.
void Bilateral8(const cv::Mat& image, const cv::Rect& area, int k, cv::Mat& out)
{
  cv::bilateralFilter(image(area), out, k, kValueSigma, kPositionSigma, cv::BORDER_REPLICATE);
}
} // namespace

TCPxFilterBilateral::TCPxFilterBilateral(int kernelSize) : TCPxKernelFilter(kernelSize)
{
}

void TCPxFilterBilateral::ProcessImage(TCPxImageBase* source, TCPxImageBase* destination) const
{
  if (!source || !_impl::DestinationFits(*source, destination) || m_iKernelSize < 1)
    return;
  const NPxImageTypes type = source->GetImageType();
  if (type != ImageType8bit && type != ImageType24bit)
    return;
  const TCGenRect<int> valid = CalculateValidROI(*source);
  if (valid.GetLeft() < 0)
    return;
  const cv::Rect area(valid.GetLeft(), valid.GetTop(), valid.GetWidth(), valid.GetHeight());
  const cv::Mat src = _impl::WholeView(*source);
  cv::Mat dst = _impl::WholeView(*_impl::Target(source, destination));
  if (type == ImageType8bit)
  {
    cv::Mat& out = PxPrim::Scratch(0, area.size(), CV_8UC1);
    Bilateral8(src, area, m_iKernelSize, out);
    cv::Mat target = dst(area);
    out.copyTo(target);
    return;
  }
  // Colour: Lab from the buffer start over the valid rectangle's size, each
  // plane smoothed over its own valid rectangle, back to BGR at the buffer start.
  const cv::Rect block(0, 0, area.width, area.height);
  cv::Mat lab;
  cv::cvtColor(src(block), lab, cv::COLOR_BGR2Lab);
  std::vector<cv::Mat> planes;
  cv::split(lab, planes);
  const int h = m_iKernelSize / 2;
  const cv::Rect inner(h, h, block.width - 2 * h, block.height - 2 * h);
  if (inner.width > 0 && inner.height > 0)
    for (cv::Mat& plane : planes)
    {
      cv::Mat smoothed;
      Bilateral8(plane, inner, m_iKernelSize, smoothed);
      smoothed.copyTo(plane(inner));
    }
  cv::merge(planes, lab);
  cv::Mat target = dst(block);
  cv::cvtColor(lab, target, cv::COLOR_Lab2BGR);
}

// ---- Kuwahara --------------------------------------------------------------------------------------
TCPxFilterKuwahara::TCPxFilterKuwahara(int kernelSize) : TCPxKernelFilter(kernelSize)
{
}

void TCPxFilterKuwahara::ProcessImage(TCPxImageBase* source, TCPxImageBase* destination) const
{
  if (!source || source->GetImageType() != ImageType8bit || !_impl::DestinationFits(*source, destination) ||
      m_iKernelSize < 1)
    return;
  const int b = m_iKernelSize / 2;
  const int c = b + 1;
  const int w = source->GetWidth(), hgt = source->GetHeight();
  if (w <= 2 * c || hgt <= 2 * c)
    return;
  // Integral images make every quadrant sum O(1) and exact.
  cv::Mat sum, sqsum;
  cv::integral(_impl::WholeView(*source), sum, sqsum, CV_32S, CV_64F);
  cv::Mat dst = _impl::WholeView(*_impl::Target(source, destination));
  cv::Mat& out = PxPrim::Scratch(0, cv::Size(w - 2 * c, hgt - 2 * c), CV_8UC1);
  const double n = static_cast<double>(c) * c;
  // Sum over rows [y0, y0 + c) and columns [x0, x0 + c).
  auto quadrant = [&](int x0, int y0, double* s, double* q) {
    const int* s0 = sum.ptr<int>(y0);
    const int* s1 = sum.ptr<int>(y0 + c);
    const double* q0 = sqsum.ptr<double>(y0);
    const double* q1 = sqsum.ptr<double>(y0 + c);
    *s = static_cast<double>(s1[x0 + c] - s1[x0] - s0[x0 + c] + s0[x0]);
    *q = q1[x0 + c] - q1[x0] - q0[x0 + c] + q0[x0];
  };
  // Rows are independent: bands of them run on OpenCV's worker pool.
  cv::parallel_for_(cv::Range(c, hgt - c), [&](const cv::Range& rows) {
    for (int y = rows.start; y < rows.end; ++y)
    {
      std::uint8_t* o = out.ptr<std::uint8_t>(y - c);
      for (int x = c; x < w - c; ++x)
      {
        double s[4], q[4], mean[4], var[4];
        quadrant(x - b, y - b, &s[0], &q[0]); // top-left
        quadrant(x, y - b, &s[1], &q[1]);     // top-right
        quadrant(x - b, y, &s[2], &q[2]);     // bottom-left
        quadrant(x, y, &s[3], &q[3]);         // bottom-right
        for (int i = 0; i < 4; ++i)
        {
          mean[i] = s[i] / n;
          var[i] = q[i] / n - mean[i] * mean[i];
        }
        int pick;
        if (var[3] < var[0] && var[3] < var[1] && var[3] < var[2])
          pick = 3;
        else if (var[2] < var[0] && var[2] < var[1])
          pick = 2;
        else if (var[0] > var[1])
          pick = 1;
        else
          pick = 0;
        o[x - c] = static_cast<std::uint8_t>(static_cast<int>(mean[pick]));
      }
    }
  });
  cv::Mat target = dst(cv::Rect(c, c, w - 2 * c, hgt - 2 * c));
  out.copyTo(target);
}

// ---- SNN -------------------------------------------------------------------------------------------
TCPxFilterSNN::TCPxFilterSNN(int kernelSize) : TCPxKernelFilter(kernelSize)
{
}

void TCPxFilterSNN::ProcessImage(TCPxImageBase* source, TCPxImageBase* destination) const
{
  if (!source || source->GetImageType() != ImageType8bit || !_impl::DestinationFits(*source, destination) ||
      m_iKernelSize < 0)
    return;
  const int r = m_iKernelSize / 2 + 1;
  const int w = source->GetWidth(), h = source->GetHeight();
  if (w <= 2 * r || h <= 2 * r)
    return;
  const cv::Mat src = _impl::WholeView(*source);
  cv::Mat dst = _impl::WholeView(*_impl::Target(source, destination));
  cv::Mat& out = PxPrim::Scratch(0, cv::Size(w - 2 * r, h - 2 * r), CV_8UC1);
  PxPrim::SymmetricNearestNeighbour(src, out, r);
  cv::Mat target = dst(cv::Rect(r, r, w - 2 * r, h - 2 * r));
  out.copyTo(target);
}

// ---- PMDiffusion --------------------------------------------------------------------------------------
void TCPxFilterPMDiffusion::ProcessImage(TCPxImageBase* source, TCPxImageBase* destination) const
{
  if (!source || source->GetImageType() != ImageType8bit || !_impl::DestinationFits(*source, destination))
    return;
  const int w = source->GetWidth(), h = source->GetHeight();
  cv::Mat image = _impl::FloatCopy(*source);
  // Derivative images start at 0: the columns and lines never computed carry no flux.
  cv::Mat gx = cv::Mat::zeros(h, w, CV_32F), gy = cv::Mat::zeros(h, w, CV_32F);
  cv::Mat fx(h, w, CV_32F), fy(h, w, CV_32F), weight(h, w, CV_32F);
  for (int iteration = 0; iteration < 100; ++iteration)
  {
    // Backward differences I(x) - I(x - 1) and I(y) - I(y - 1) inside the border.
    if (w > 2)
      cv::subtract(image(cv::Rect(1, 0, w - 2, h)), image(cv::Rect(0, 0, w - 2, h)), gx(cv::Rect(1, 0, w - 2, h)));
    if (h > 2)
      cv::subtract(image(cv::Rect(0, 1, w, h - 2)), image(cv::Rect(0, 0, w, h - 2)), gy(cv::Rect(0, 1, w, h - 2)));
    // Flux g * exp(-0.025 |g|).
    cv::exp(cv::abs(gx) * -0.025, weight);
    cv::multiply(gx, weight, fx);
    cv::exp(cv::abs(gy) * -0.025, weight);
    cv::multiply(gy, weight, fy);
    for (int y = 0; y <= h - 2; ++y)
    {
      float* p = image.ptr<float>(y);
      const float* fxr = fx.ptr<float>(y);
      const float* fyr = fy.ptr<float>(y);
      const float* fyd = fy.ptr<float>(y + 1);
      for (int x = 0; x <= w - 2; ++x)
        p[x] -= 0.25f * (fxr[x] - fxr[x + 1] + fyr[x] - fyd[x]);
    }
  }
  _impl::StoreBytes(image, *_impl::Target(source, destination));
}
