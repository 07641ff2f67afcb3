#include <pixolan/filters/TCPxFilterConvolution.h>
#include <pixolan/model/TCPx8bitImage.h>

#include <chrono>
#include <cmath>
#include <mutex>
#include <random>

#include <opencv2/core.hpp>
#include <opencv2/imgproc.hpp>

#include "PxFilterSupport.h"

// ---- Convolution ------------------------------------------------------------------------------
namespace
{
// Builds the filter from the stored kernel; without a kernel there is no filter.
class ConvolutionCreator : public of_internal::TCGenOfCreatorBase<TCPxImageFilter>
{
public:
  TCPxImageFilter* Create() const override
  {
    return m_kernel ? new TCPxFilterConvolution(m_kernel, m_type) : nullptr;
  }
  void SetParameter1(std::any value) override { m_kernel = std::any_cast<const TCPxImageBase*>(value); }
  void SetParameter2(std::any value) override { m_type = std::any_cast<Px::EConvolutionType>(value); }
  TCGenOfCreatorBase* Clone() const override { return new ConvolutionCreator(*this); }

private:
  const TCPxImageBase* m_kernel = nullptr;
  Px::EConvolutionType m_type{};
};

std::shared_ptr<cv::Mat> FloatKernelOf(const TCPxImageBase* kernel)
{
  if (!kernel || (kernel->GetImageType() != ImageType8bit && kernel->GetImageType() != ImageTypeFloat))
    return nullptr;
  auto floats = std::make_shared<cv::Mat>();
  _impl::WholeView(*kernel).convertTo(*floats, CV_32F);
  return floats;
}
} // namespace

PX_REGISTER_FILTER(TCPxFilterConvolution, Convolution, ConvolutionCreator, "convolution with an image as kernel",
                   PxFilterTable::Accepts({ImageType8bit, ImageTypeFloat}),
                   PxFilterTable::Image("kernel", "8-bit or float kernel image"),
                   PxFilterTable::Enumeration("type", "Px::EConvolutionType", "output geometry", Px::ConvolutionSame,
                                              {{"ConvolutionFull", Px::ConvolutionFull},
                                               {"ConvolutionValid", Px::ConvolutionValid},
                                               {"ConvolutionSame", Px::ConvolutionSame}}))

TCPxFilterConvolution::TCPxFilterConvolution(const TCPxImageBase* kernel, Px::EConvolutionType type)
    : m_pKernel(kernel ? kernel->Clone() : nullptr), m_pFloatKernel(FloatKernelOf(kernel)), m_eType(type)
{
}

TCPxFilterConvolution::TCPxFilterConvolution(const TCPxFilterConvolution& other)
    : TCPxImageFilter(other), m_pKernel(other.m_pKernel ? other.m_pKernel->Clone() : nullptr),
      m_pFloatKernel(FloatKernelOf(other.m_pKernel.get())), m_eType(other.m_eType)
{
}

TCPxFilterConvolution& TCPxFilterConvolution::operator=(const TCPxFilterConvolution& other)
{
  if (this != &other)
  {
    m_pKernel.reset(other.m_pKernel ? other.m_pKernel->Clone() : nullptr);
    m_pFloatKernel = FloatKernelOf(other.m_pKernel.get());
    m_eType = other.m_eType;
  }
  return *this;
}

TCPxFilterConvolution::~TCPxFilterConvolution() = default;

void TCPxFilterConvolution::ProcessImage(TCPxImageBase* source, TCPxImageBase* destination) const
{
  if (!source || !m_pFloatKernel || m_pFloatKernel->empty())
    return;
  const NPxImageTypes type = source->GetImageType();
  if (type != ImageType8bit && type != ImageTypeFloat)
    return;
  const cv::Mat& kernel = *m_pFloatKernel;
  if (m_eType == Px::ConvolutionFull)
  {
    // A true convolution: flip the kernel and correlate over the source padded
    // with zeros; the destination holds every overlap position.
    const int kw = kernel.cols, kh = kernel.rows;
    const int w = source->GetWidth(), h = source->GetHeight();
    if (!destination || destination->GetImageType() != type || destination->GetWidth() != w + kw - 1 ||
        destination->GetHeight() != h + kh - 1 || kw > w || kh > h)
      return;
    cv::Mat flipped, padded, sums;
    cv::flip(kernel, flipped, -1);
    cv::copyMakeBorder(_impl::WholeView(*source), padded, kh - 1, kh - 1, kw - 1, kw - 1, cv::BORDER_CONSTANT,
                       cv::Scalar(0));
    cv::filter2D(padded, sums, CV_32F, flipped, cv::Point(0, 0), 0, cv::BORDER_CONSTANT);
    cv::Mat out = _impl::WholeView(*destination);
    sums(cv::Rect(0, 0, w + kw - 1, h + kh - 1)).convertTo(out, out.type());
    return;
  }
  if (m_eType != Px::ConvolutionSame || !_impl::DestinationFits(*source, destination))
    return;
  TCPxImageBase* target = _impl::Target(source, destination);
  const cv::Mat src = destination ? *source->GetMatPtr() : source->GetMatPtr()->clone();
  cv::Mat dst = *target->GetMatPtr();
  if (src.size() != dst.size())
    return;
  cv::filter2D(src, dst, -1, kernel, cv::Point(-1, -1), 0, cv::BORDER_REFLECT_101);
}

// ---- Fourier ---------------------------------------------------------------------------------------------
using FourierCreator = of_internal::TCGenOfCreator0<TCPxImageFilter, TCPxFilterFourier>;
PX_REGISTER_FILTER(TCPxFilterFourier, Fourier, FourierCreator, "255 minus the magnitude of the image's spectrum",
                   PxFilterTable::Accepts({ImageType8bit}))

void TCPxFilterFourier::ProcessImage(TCPxImageBase* source, TCPxImageBase* destination) const
{
  if (!source || source->GetImageType() != ImageType8bit || !_impl::DestinationFits(*source, destination))
    return;
  // The full complex spectrum: |X(a, b)| for every frequency, conjugate half included.
  cv::Mat spectrum;
  cv::dft(_impl::FloatCopy(*source), spectrum, cv::DFT_COMPLEX_OUTPUT);
  cv::Mat planes[2], magnitude;
  cv::split(spectrum, planes);
  cv::magnitude(planes[0], planes[1], magnitude);
  cv::Mat view = 255.0 - magnitude;
  _impl::StoreBytes(view, *_impl::Target(source, destination));
}

// ---- EqualizeHistogram ----------------------------------------------------------------------------------------
using EqualizeCreator = of_internal::TCGenOfCreator0<TCPxImageFilter, TCPxFilterEqualizeHistogram>;
PX_REGISTER_FILTER(TCPxFilterEqualizeHistogram, EqualizeHistogram, EqualizeCreator, "histogram equalisation",
                   PxFilterTable::Accepts({ImageType8bit}))

void TCPxFilterEqualizeHistogram::ProcessImage(TCPxImageBase* source, TCPxImageBase* destination) const
{
  if (!source || source->GetImageType() != ImageType8bit || !_impl::DestinationFits(*source, destination))
    return;
  if (destination)
  {
    cv::Mat to = _impl::WholeView(*destination);
    _impl::WholeView(*source).copyTo(to);
  }
  static_cast<TCPx8bitImage*>(_impl::Target(source, destination))->EqualizeHistogram();
}

// ---- AddGaussianNoise ---------------------------------------------------------------------------------------
using NoiseCreator = of_internal::TCGenOfCreator2<TCPxImageFilter, TCPxFilterAddGaussianNoise, int, int>;
PX_REGISTER_FILTER(TCPxFilterAddGaussianNoise, AddGaussianNoise, NoiseCreator, "adds Gaussian noise to the ROI",
                   PxFilterTable::Accepts({ImageType8bit, ImageType24bit, ImageType32bit, ImageTypeFloat}),
                   PxFilterTable::Integer("mean", "mean of the noise", 0, -255, 255),
                   PxFilterTable::Integer("variance", "variance of the noise", 100, 0, 65025))

namespace
{
// The process-wide generator: seeded from the clock at load, shared under a lock.
struct NoiseSource
{
  std::mutex lock;
  std::mt19937 engine{static_cast<std::uint32_t>(
      std::chrono::duration_cast<std::chrono::seconds>(std::chrono::system_clock::now().time_since_epoch()).count())};
};

NoiseSource& Noise()
{
  static NoiseSource source;
  return source;
}
} // namespace

TCPxFilterAddGaussianNoise::TCPxFilterAddGaussianNoise(int mean, int variance) : m_iMean(mean), m_iVariance(variance)
{
}

void TCPxFilterAddGaussianNoise::SetSeed(unsigned int seed)
{
  std::lock_guard<std::mutex> guard(Noise().lock);
  Noise().engine.seed(seed);
}

void TCPxFilterAddGaussianNoise::ProcessImage(TCPxImageBase* source, TCPxImageBase* destination) const
{
  if (!source || !_impl::DestinationFits(*source, destination))
    return;
  const NPxImageTypes type = source->GetImageType();
  if (type != ImageType8bit && type != ImageType24bit && type != ImageType32bit && type != ImageTypeFloat)
    return;
  if (destination)
  {
    cv::Mat to = _impl::WholeView(*destination);
    _impl::WholeView(*source).copyTo(to);
  }
  TCPxImageBase* target = _impl::Target(source, destination);
  cv::Mat roi = _impl::RegionView(*target, _impl::RoiRect(*target));
  if (roi.empty())
    return;
  const double deviation = std::sqrt(static_cast<double>(std::max(m_iVariance, 0)));
  // Noise values drawn under the lock, then added: the draw order is fixed by the seed.
  cv::Mat noise(roi.size(), CV_MAKETYPE(CV_32F, roi.channels()));
  {
    std::lock_guard<std::mutex> guard(Noise().lock);
    const bool bytes = type != ImageTypeFloat;
    // Byte images use the deviation truncated to an integer.
    const double sd = bytes ? std::floor(deviation) : deviation;
    std::normal_distribution<float> gauss(static_cast<float>(m_iMean), static_cast<float>(sd > 0 ? sd : 1.0));
    for (int y = 0; y < noise.rows; ++y)
    {
      float* n = noise.ptr<float>(y);
      for (int i = 0; i < noise.cols * noise.channels(); ++i)
        n[i] = sd > 0 ? gauss(Noise().engine) : static_cast<float>(m_iMean);
    }
  }
  if (type == ImageTypeFloat)
  {
    cv::add(roi, noise, roi);
    return;
  }
  // Byte images: the noise rounded to integers, the sum saturated.
  cv::Mat sum;
  roi.convertTo(sum, CV_MAKETYPE(CV_32F, roi.channels()));
  cv::Mat rounded;
  noise.convertTo(rounded, CV_MAKETYPE(CV_32S, roi.channels()));
  rounded.convertTo(noise, CV_MAKETYPE(CV_32F, roi.channels()));
  sum += noise;
  sum.convertTo(roi, roi.type());
}
