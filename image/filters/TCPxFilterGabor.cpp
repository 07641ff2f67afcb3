#include <pixolan/filters/TCPxFilterConvolution.h>
#include <pixolan/filters/TCPxFilterGabor.h>
#include <pixolan/model/TCPx8bitImage.h>
#include <pixolan/model/TCPxConversion.h>
#include <pixolan/model/TCPxFloatImage.h>

#include <cmath>
#include <vector>

#include <opencv2/core.hpp>

#include "PxFilterSupport.h"

namespace
{
using Gabor2DCreator = of_internal::TCGenOfCreator0<TCPxImageFilter, TCPxFilterGabor2D>;
using LogGabor2DCreator = of_internal::TCGenOfCreator0<TCPxImageFilter, TCPxFilterLogGabor2D>;

constexpr double kPi = 3.14159265358979323846;
constexpr int kMaxKernelSize = 2048;

bool ValidSize(int size)
{
  return size >= 1 && size <= kMaxKernelSize;
}

std::unique_ptr<TCPxFilterConvolution> ConvolutionOn(const TCPxFloatImage& kernel)
{
  return std::make_unique<TCPxFilterConvolution>(&kernel, Px::ConvolutionSame);
}

std::unique_ptr<TCPxFilterConvolution> CopyOf(const std::unique_ptr<TCPxFilterConvolution>& c)
{
  return c ? std::make_unique<TCPxFilterConvolution>(*c) : nullptr;
}

/// Stores `value` and rebuilds the filter's kernel, or does nothing when the value is not usable.
template <class Filter, class T>
void SetAndRebuild(Filter& filter, T& field, T value, bool usable)
{
  if (!usable)
    return;
  field = value;
  filter.CalculateKernel();
}

bool Finite(double v)
{
  return std::isfinite(v);
}

bool Positive(double v)
{
  return v > 0 && std::isfinite(v);
}

/// Float images straight through the convolution; 8-bit images through a
/// float copy that is normalised to 0..1 and stored as bytes.
void FilterWith(const TCPxFilterConvolution& convolution, TCPxImageBase* source, TCPxImageBase* destination)
{
  if (!source || !_impl::DestinationFits(*source, destination))
    return;
  if (source->GetImageType() == ImageTypeFloat)
  {
    convolution.ProcessImage(source, destination);
    return;
  }
  if (source->GetImageType() != ImageType8bit)
    return;
  TCPxFloatImage floats(static_cast<const TCPx8bitImage&>(*source));
  convolution.ProcessImage(&floats, nullptr);
  floats.Normalize();
  TCPxConversion::Float2Byte(floats, static_cast<TCPxByteImage*>(_impl::Target(source, destination)));
}

/// Moves element (i, j) to ((i + shift) mod n, (j + shift) mod n) in both axes.
void Roll(const std::vector<float>& from, std::vector<float>& to, int n, int shift, int channels)
{
  for (int y = 0; y < n; ++y)
    for (int x = 0; x < n; ++x)
    {
      const int ty = (y + shift) % n, tx = (x + shift) % n;
      for (int c = 0; c < channels; ++c)
        to[(static_cast<std::size_t>(ty) * n + tx) * channels + c] =
            from[(static_cast<std::size_t>(y) * n + x) * channels + c];
    }
}
} // namespace

PX_REGISTER_FILTER(TCPxFilterGabor2D, Gabor2D, Gabor2DCreator, "oriented Gabor band-pass (100 x 100, wavelength 8)",
                   PxFilterTable::Accepts({ImageType8bit, ImageTypeFloat}))
PX_REGISTER_FILTER(TCPxFilterLogGabor2D, LogGabor2D, LogGabor2DCreator,
                   "oriented log-Gabor band-pass (16 x 16, wavelength 5)",
                   PxFilterTable::Accepts({ImageType8bit, ImageTypeFloat}))

// ---- Gabor ------------------------------------------------------------------------------------
TCPxFilterGabor2D::TCPxFilterGabor2D() : m_dOrientation(kPi / 2)
{
  CalculateKernel();
}

TCPxFilterGabor2D::TCPxFilterGabor2D(const TCPxFilterGabor2D& other)
    : TCPxImageFilter(other), m_pConvolution(CopyOf(other.m_pConvolution)), m_iFilterSize(other.m_iFilterSize),
      m_dWaveLength(other.m_dWaveLength), m_dOrientation(other.m_dOrientation), m_dPhaseOffset(other.m_dPhaseOffset),
      m_dAspectRatio(other.m_dAspectRatio), m_dBandWidth(other.m_dBandWidth)
{
}

TCPxFilterGabor2D& TCPxFilterGabor2D::operator=(const TCPxFilterGabor2D& other)
{
  if (this != &other)
  {
    m_pConvolution = CopyOf(other.m_pConvolution);
    m_iFilterSize = other.m_iFilterSize;
    m_dWaveLength = other.m_dWaveLength;
    m_dOrientation = other.m_dOrientation;
    m_dPhaseOffset = other.m_dPhaseOffset;
    m_dAspectRatio = other.m_dAspectRatio;
    m_dBandWidth = other.m_dBandWidth;
  }
  return *this;
}

TCPxFilterGabor2D::~TCPxFilterGabor2D() = default;

void TCPxFilterGabor2D::ProcessImage(TCPxImageBase* source, TCPxImageBase* destination) const
{
  FilterWith(*m_pConvolution, source, destination);
}

void TCPxFilterGabor2D::SetFilterSize(int size)
{
  SetAndRebuild(*this, m_iFilterSize, size, ValidSize(size));
}

void TCPxFilterGabor2D::SetWaveLength(double lambda)
{
  SetAndRebuild(*this, m_dWaveLength, lambda, Positive(lambda));
}

void TCPxFilterGabor2D::SetOrientation(double theta)
{
  SetAndRebuild(*this, m_dOrientation, theta, Finite(theta));
}

void TCPxFilterGabor2D::SetPhaseOffset(double psi)
{
  SetAndRebuild(*this, m_dPhaseOffset, psi, Finite(psi));
}

void TCPxFilterGabor2D::SetAspectRatio(double gamma)
{
  SetAndRebuild(*this, m_dAspectRatio, gamma, Finite(gamma));
}

void TCPxFilterGabor2D::SetBandWidth(double octaves)
{
  SetAndRebuild(*this, m_dBandWidth, octaves, Positive(octaves));
}

const TCPxImageBase* TCPxFilterGabor2D::GetKernel() const
{
  return m_pConvolution->GetKernel();
}

void TCPxFilterGabor2D::CalculateKernel()
{
  const int n = m_iFilterSize;
  const double l = n / 2.0;
  const double b = std::pow(2.0, m_dBandWidth);
  const double sigma = m_dWaveLength * 0.1873906251292776 * (b + 1) / (b - 1);
  const double norm = 1.0 / (2 * kPi * sigma * sigma);
  const double c = std::cos(m_dOrientation), s = std::sin(m_dOrientation);
  const double gamma2 = m_dAspectRatio * m_dAspectRatio;
  TCPxFloatImage kernel(n, n);
  cv::Mat& k = *kernel.GetFullMatPtr();
  double positive = 0, negative = 0;
  for (int y = 0; y < n; ++y)
  {
    float* row = k.ptr<float>(y);
    for (int x = 0; x < n; ++x)
    {
      const double xr = (x - l) * c + (y - l) * s;
      const double yr = (y - l) * c - (x - l) * s;
      const double v = norm * std::exp(-(xr * xr + gamma2 * yr * yr) / (2 * sigma * sigma)) *
                       std::cos(2 * kPi * xr / m_dWaveLength + m_dPhaseOffset);
      row[x] = static_cast<float>(v);
      (row[x] > 0 ? positive : negative) += std::fabs(row[x]);
    }
  }
  // Balance the lobes: afterwards both carry P * M / h, and the kernel sums to zero.
  const double h = (positive + negative) / 2;
  const double negScale = h > 0 ? positive / h : positive;
  const double posScale = h > 0 ? negative / h : negative;
  for (int y = 0; y < n; ++y)
  {
    float* row = k.ptr<float>(y);
    for (int x = 0; x < n; ++x)
      row[x] = static_cast<float>(row[x] * (row[x] < 0 ? negScale : posScale));
  }
  m_pConvolution = ConvolutionOn(kernel);
}

// ---- log-Gabor --------------------------------------------------------------------------------
TCPxFilterLogGabor2D::TCPxFilterLogGabor2D() : m_dOrientation(kPi / 2)
{
  CalculateKernel();
}

TCPxFilterLogGabor2D::TCPxFilterLogGabor2D(const TCPxFilterLogGabor2D& other)
    : TCPxImageFilter(other), m_pConvolution(CopyOf(other.m_pConvolution)), m_iFilterSize(other.m_iFilterSize),
      m_dWaveLength(other.m_dWaveLength), m_dOrientation(other.m_dOrientation), m_dSigmaTheta(other.m_dSigmaTheta),
      m_dSigmaOnf(other.m_dSigmaOnf)
{
}

TCPxFilterLogGabor2D& TCPxFilterLogGabor2D::operator=(const TCPxFilterLogGabor2D& other)
{
  if (this != &other)
  {
    m_pConvolution = CopyOf(other.m_pConvolution);
    m_iFilterSize = other.m_iFilterSize;
    m_dWaveLength = other.m_dWaveLength;
    m_dOrientation = other.m_dOrientation;
    m_dSigmaTheta = other.m_dSigmaTheta;
    m_dSigmaOnf = other.m_dSigmaOnf;
  }
  return *this;
}

TCPxFilterLogGabor2D::~TCPxFilterLogGabor2D() = default;

void TCPxFilterLogGabor2D::ProcessImage(TCPxImageBase* source, TCPxImageBase* destination) const
{
  FilterWith(*m_pConvolution, source, destination);
}

void TCPxFilterLogGabor2D::SetFilterSize(int size)
{
  SetAndRebuild(*this, m_iFilterSize, size, ValidSize(size));
}

void TCPxFilterLogGabor2D::SetWaveLength(double lambda)
{
  SetAndRebuild(*this, m_dWaveLength, lambda, Positive(lambda));
}

void TCPxFilterLogGabor2D::SetOrientation(double theta0)
{
  SetAndRebuild(*this, m_dOrientation, theta0, Finite(theta0));
}

void TCPxFilterLogGabor2D::SetSigmaTheta(double sigmaTheta)
{
  SetAndRebuild(*this, m_dSigmaTheta, sigmaTheta, sigmaTheta != 0 && Finite(sigmaTheta));
}

void TCPxFilterLogGabor2D::SetSigmaOnf(double sigmaOnf)
{
  SetAndRebuild(*this, m_dSigmaOnf, sigmaOnf, Positive(sigmaOnf) && sigmaOnf != 1);
}

TCPxFloatImage* TCPxFilterLogGabor2D::GetKernel() const
{
  const TCPxImageBase* kernel = m_pConvolution->GetKernel();
  return kernel ? new TCPxFloatImage(static_cast<const TCPxFloatImage&>(*kernel)) : nullptr;
}

void TCPxFilterLogGabor2D::CalculateKernel()
{
  const int n = m_iFilterSize;
  const double d = n / 2.0;
  const double c0 = std::cos(m_dOrientation), s0 = std::sin(m_dOrientation);
  const double logOnf = std::log(m_dSigmaOnf);
  // The transfer function with its centre frequency at (d, d) ...
  std::vector<float> centred(static_cast<std::size_t>(n) * n * 2, 0.0f);
  for (int y = 0; y < n; ++y)
    for (int x = 0; x < n; ++x)
    {
      const double u = (x - d) / n, v = (y - d) / n;
      const double r = std::sqrt(u * u + v * v);
      if (r == 0)
        continue;
      const double theta = std::atan2(-v, u);
      const double st = std::sin(theta), ct = std::cos(theta);
      const double dTheta = std::fabs(std::atan2(st * c0 - ct * s0, ct * c0 + st * s0));
      const double spread = std::exp(-dTheta * dTheta / (2 * m_dSigmaTheta * m_dSigmaTheta));
      const double lr = std::log(r * m_dWaveLength);
      const double radial = std::exp(-lr * lr / (2 * logOnf * logOnf));
      centred[(static_cast<std::size_t>(y) * n + x) * 2] = static_cast<float>(radial * spread);
    }
  // ... moved to the origin (inverse shift), transformed back, and the
  // spatial origin moved to pixel (n / 2, n / 2) (forward shift).
  cv::Mat spectrum(n, n, CV_32FC2);
  std::vector<float> atOrigin(centred.size());
  Roll(centred, atOrigin, n, n - n / 2, 2);
  std::copy(atOrigin.begin(), atOrigin.end(), spectrum.ptr<float>());
  cv::dft(spectrum, spectrum, cv::DFT_INVERSE | cv::DFT_SCALE | cv::DFT_COMPLEX_OUTPUT);
  std::vector<float> real(static_cast<std::size_t>(n) * n), shifted(real.size());
  for (int y = 0; y < n; ++y)
    for (int x = 0; x < n; ++x)
      real[static_cast<std::size_t>(y) * n + x] = spectrum.at<cv::Vec2f>(y, x)[0] * static_cast<float>(n);
  Roll(real, shifted, n, n / 2, 1);
  TCPxFloatImage kernel(n, n);
  cv::Mat& k = *kernel.GetFullMatPtr();
  for (int y = 0; y < n; ++y)
    std::copy(shifted.begin() + static_cast<std::ptrdiff_t>(y) * n, shifted.begin() + static_cast<std::ptrdiff_t>(y + 1) * n,
              k.ptr<float>(y));
  m_pConvolution = ConvolutionOn(kernel);
}
