#include <pixolan/filters/TCPxFilterFixed.h>

#include <algorithm>
#include <cmath>

#include <opencv2/core.hpp>
#include <opencv2/imgproc.hpp>

#include "PxFilterSupport.h"
#include "primitives/PxFilterPrimitives.h"

using FixedCreator = of_internal::TCGenOfCreator2<TCPxImageFilter, TCPxFilterFixed, Px::EFixedFilters, int>;
PX_REGISTER_FILTER(TCPxFilterFixed, Fixed, FixedCreator, "a fixed 3 x 3 or 5 x 5 kernel (Sobel, Scharr, Laplacian, ...)",
                   PxFilterTable::Accepts({ImageType8bit, ImageTypeFloat}),
                   PxFilterTable::Enumeration("type", "Px::EFixedFilters", "the kernel", Px::EFixedFilters::SobelHoriz,
                                              {{"Laplacian", static_cast<int>(Px::EFixedFilters::Laplacian)},
                                               {"Lowpass", static_cast<int>(Px::EFixedFilters::Lowpass)},
                                               {"ScharrHoriz", static_cast<int>(Px::EFixedFilters::ScharrHoriz)},
                                               {"ScharrVert", static_cast<int>(Px::EFixedFilters::ScharrVert)},
                                               {"Sharpen", static_cast<int>(Px::EFixedFilters::Sharpen)},
                                               {"SobelCross", static_cast<int>(Px::EFixedFilters::SobelCross)},
                                               {"SobelHoriz", static_cast<int>(Px::EFixedFilters::SobelHoriz)},
                                               {"SobelHorizSecond", static_cast<int>(Px::EFixedFilters::SobelHorizSecond)},
                                               {"SobelVert", static_cast<int>(Px::EFixedFilters::SobelVert)},
                                               {"SobelVertSecond", static_cast<int>(Px::EFixedFilters::SobelVertSecond)}}),
                   PxFilterTable::Integer("kernelSize", "3, or 5 for the 5 x 5 kernels", 3, 3, 5, true))

namespace
{
struct Derivative
{
  int dx;
  int dy;
  double sign;
  double divisor3;
  double divisor5;
  bool scharr;
};

// The derivative kernels as OpenCV correlations: the sign turns OpenCV's kernel
// into the filter's (SobelVert and SobelCross point the other way).
bool DerivativeOf(Px::EFixedFilters type, Derivative* d)
{
  switch (type)
  {
  case Px::EFixedFilters::ScharrHoriz: *d = {0, 1, 1.0, 16, 16, true}; return true;
  case Px::EFixedFilters::ScharrVert: *d = {1, 0, 1.0, 16, 16, true}; return true;
  case Px::EFixedFilters::SobelCross: *d = {1, 1, -1.0, 2, 18, false}; return true;
  case Px::EFixedFilters::SobelHoriz: *d = {0, 1, 1.0, 4, 48, false}; return true;
  case Px::EFixedFilters::SobelHorizSecond: *d = {0, 2, 1.0, 8, 32, false}; return true;
  case Px::EFixedFilters::SobelVert: *d = {1, 0, -1.0, 4, 48, false}; return true;
  case Px::EFixedFilters::SobelVertSecond: *d = {2, 0, 1.0, 8, 32, false}; return true;
  default: return false;
  }
}

// The filter's response in floats over the whole image, replicated border; false
// for kinds without a response of this form (Sharpen, unknown values).
bool Response(const cv::Mat& src, Px::EFixedFilters type, int kernelSize, double scale, cv::Mat& out, int depth)
{
  const int k = kernelSize == 5 ? 5 : 3;
  Derivative d;
  if (DerivativeOf(type, &d))
  {
    if (d.scharr)
      cv::Scharr(src, out, depth, d.dx, d.dy, d.sign * scale, 0, cv::BORDER_REPLICATE);
    else
      cv::Sobel(src, out, depth, d.dx, d.dy, k, d.sign * scale, 0, cv::BORDER_REPLICATE);
    return true;
  }
  if (type == Px::EFixedFilters::Laplacian)
  {
    cv::Laplacian(src, out, depth, k, scale, 0, cv::BORDER_REPLICATE);
    return true;
  }
  if (type == Px::EFixedFilters::Lowpass)
  {
    cv::blur(src, out, cv::Size(k, k), cv::Point(-1, -1), cv::BORDER_REPLICATE); // keeps the source depth
    return true;
  }
  return false;
}

double Divisor(Px::EFixedFilters type, int kernelSize)
{
  Derivative d;
  if (DerivativeOf(type, &d))
    return kernelSize == 5 && !d.scharr ? d.divisor5 : d.divisor3;
  return kernelSize == 5 ? 56 : 8; // Laplacian
}
} // namespace

TCPxFilterFixed::TCPxFilterFixed(Px::EFixedFilters type, int kernelSize) : TCPxKernelFilter(kernelSize), m_eType(type)
{
}

void TCPxFilterFixed::ProcessImage(TCPxImageBase* source, TCPxImageBase* destination) const
{
  if (!source || !_impl::DestinationFits(*source, destination))
    return;
  if (source->GetImageType() == ImageType8bit)
    ProcessImage8(source, destination);
  else if (source->GetImageType() == ImageTypeFloat)
    ProcessImage32f(source, destination);
}

void TCPxFilterFixed::ProcessImage8(TCPxImageBase* source, TCPxImageBase* destination) const
{
  const cv::Mat src = _impl::WholeView(*source);
  cv::Mat dst = _impl::WholeView(*_impl::Target(source, destination));
  if (m_eType == Px::EFixedFilters::Sharpen)
  {
    if (src.cols < 3 || src.rows < 3)
      return;
    // 1/8 [-1 -1 -1; -1 16 -1; -1 -1 -1] on the interior; the frame is not written.
    cv::Mat kernel(3, 3, CV_32F, cv::Scalar(-1.0f / 8));
    kernel.at<float>(1, 1) = 2.0f;
    const cv::Rect inner(1, 1, src.cols - 2, src.rows - 2);
    cv::Mat out;
    cv::filter2D(src, out, CV_8U, kernel, cv::Point(-1, -1), 0, cv::BORDER_REPLICATE);
    out(inner).copyTo(dst(inner));
    return;
  }
  if (m_eType == Px::EFixedFilters::Lowpass)
  {
    cv::Mat out;
    if (Response(src, m_eType, m_iKernelSize, 1.0, out, CV_8U))
      out.copyTo(dst); // blur keeps 8 bits, rounded to nearest
    return;
  }
  // Exact integer sums (every kernel's weights sum below 128 in magnitude, so
  // 16 bits hold them), divided once so that halves are recognised exactly,
  // then stored as shifted signed bytes.
  cv::Mat& response = PxPrim::Scratch(3, src.size(), CV_16S);
  if (Response(src, m_eType, m_iKernelSize, 1.0, response, CV_16S))
    PxPrim::ShiftedSignedBytes(response, static_cast<float>(Divisor(m_eType, m_iKernelSize)), dst);
}

void TCPxFilterFixed::ProcessImage32f(TCPxImageBase* source, TCPxImageBase* destination) const
{
  const cv::Mat src = _impl::WholeView(*source);
  cv::Mat dst = _impl::WholeView(*_impl::Target(source, destination));
  cv::Mat& out = PxPrim::Scratch(3, src.size(), CV_32F);
  if (Response(src, m_eType, m_iKernelSize, 1.0, out, CV_32F))
    out.copyTo(dst);
}
