#include <pixolan/filters/TCPxFilterGauss.h>
#include <pixolan/model/TCPxFloatImage.h>

#include <opencv2/core.hpp>
#include <opencv2/imgproc.hpp>

#include "PxFilterSupport.h"

using GaussCreator = of_internal::TCGenOfCreator2<TCPxImageFilter, TCPxFilterGauss, int, double>;
using DoGCreator = of_internal::TCGenOfCreator3<TCPxImageFilter, TCPxFilterDoG, int, double, double>;
PX_REGISTER_FILTER(TCPxFilterGauss, Gauss, GaussCreator, "Gaussian smoothing",
                   PxFilterTable::Accepts({ImageType8bit, ImageTypeFloat}),
                   PxFilterTable::Integer("kernelSize", "side of the square kernel, odd", 5, 1, 255, true),
                   PxFilterTable::Real("sigma", "standard deviation in pixels (0: from the kernel size)", 1.0, 0.0, 1e4))
PX_REGISTER_FILTER(TCPxFilterDoG, DoG, DoGCreator, "difference of two Gaussians (band-pass)",
                   PxFilterTable::Accepts({ImageType8bit, ImageTypeFloat}),
                   PxFilterTable::Integer("kernelSize", "side of the square kernel, odd", 7, 1, 255, true),
                   PxFilterTable::Real("sigma1", "standard deviation of the narrow Gaussian, pixels", 1.0, 0.0, 1e4),
                   PxFilterTable::Real("sigma2", "standard deviation of the wide Gaussian, pixels", 2.0, 0.0, 1e4))

namespace
{
bool OddPositive(int k)
{
  return k > 0 && k % 2 == 1;
}
} // namespace

// ---- Gauss ---------------------------------------------------------------------------
TCPxFilterGauss::TCPxFilterGauss(int kernelSize, double sigma) : TCPxKernelFilter(kernelSize), m_dSigma(sigma)
{
}

void TCPxFilterGauss::SetKernelSize(int kernelSize)
{
  m_iKernelSize = kernelSize;
}

void TCPxFilterGauss::ProcessImage(TCPxImageBase* source, TCPxImageBase* destination) const
{
  if (!source || !_impl::DestinationFits(*source, destination) || !OddPositive(m_iKernelSize))
    return;
  const NPxImageTypes type = source->GetImageType();
  if (type != ImageType8bit && type != ImageTypeFloat)
    return;
  // Reflect-101 when the ROI keeps a kernel's half inside the image; otherwise
  // the ROI's outside is extrapolated by the border handling.
  const int border = CalculateValidROI(*source) == source->GetROI() ? cv::BORDER_REFLECT_101
                                                                      : _impl::BorderType(m_eBorder);
  if (border < 0)
    return;
  const cv::Rect roi = _impl::RoiRect(*source);
  if (roi.empty())
    return;
  const cv::Size k(m_iKernelSize, m_iKernelSize);
  if (type == ImageTypeFloat)
  {
    cv::Mat dst = _impl::WholeView(*_impl::Target(source, destination))(roi);
    cv::GaussianBlur(_impl::WholeView(*source)(roi), dst, k, m_dSigma, m_dSigma, border);
    return;
  }
  cv::Mat work = _impl::FloatCopy(*source);
  cv::Mat part = work(roi);
  cv::GaussianBlur(part, part, k, m_dSigma, m_dSigma, border);
  _impl::StoreBytes(work, *_impl::Target(source, destination));
}

// ---- DoG ---------------------------------------------------------------------------------
TCPxFilterDoG::TCPxFilterDoG(int kernelSize, double sigma1, double sigma2)
    : TCPxKernelFilter(kernelSize), m_dSigma1(sigma1), m_dSigma2(sigma2)
{
}

void TCPxFilterDoG::SetSigma1(double sigma)
{
  if (m_dSigma1 > 0)
    m_dSigma1 = sigma;
}

void TCPxFilterDoG::SetSigma2(double sigma)
{
  if (m_dSigma2 > 0)
    m_dSigma2 = sigma;
}

void TCPxFilterDoG::SetSigmas(double sigma1, double sigma2)
{
  SetSigma1(sigma1);
  SetSigma2(sigma2);
}

void TCPxFilterDoG::ProcessImage(TCPxImageBase* source, TCPxImageBase* destination) const
{
  if (!source || !_impl::DestinationFits(*source, destination) || !OddPositive(m_iKernelSize))
    return;
  const NPxImageTypes type = source->GetImageType();
  const int border = _impl::BorderType(m_eBorder);
  if ((type != ImageType8bit && type != ImageTypeFloat) || border < 0)
    return;
  const cv::Mat g1 = cv::getGaussianKernel(m_iKernelSize, m_dSigma1, CV_32F);
  const cv::Mat g2 = cv::getGaussianKernel(m_iKernelSize, m_dSigma2, CV_32F);
  const cv::Mat kernel = g1 * g1.t() - g2 * g2.t();
  if (type == ImageTypeFloat)
  {
    cv::Mat dst = _impl::WholeView(*_impl::Target(source, destination));
    const cv::Mat src = destination ? _impl::WholeView(*source) : _impl::WholeView(*source).clone();
    cv::filter2D(src, dst, -1, kernel, cv::Point(-1, -1), 0, border);
    return;
  }
  // 8-bit: through a float copy, normalised over its ROI to 0..255.
  TCPxFloatImage work(static_cast<const TCPx8bitImage&>(*source));
  cv::Mat floats = _impl::WholeView(work);
  const cv::Mat input = floats.clone();
  cv::filter2D(input, floats, -1, kernel, cv::Point(-1, -1), 0, border);
  work.Normalize();
  work *= 255.0f;
  _impl::StoreBytes(floats, *_impl::Target(source, destination));
}
