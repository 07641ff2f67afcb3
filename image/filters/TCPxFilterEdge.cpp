#include <pixolan/filters/TCPxFilterEdge.h>
#include <pixolan/model/TCPxImageBase.h>

#include <cmath>

#include <opencv2/core.hpp>
#include <opencv2/imgproc.hpp>

#include "PxFilterSupport.h"
#include "primitives/PxFilterPrimitives.h"

using CannyCreator = of_internal::TCGenOfCreator0<TCPxImageFilter, TCPxFilterCanny>;
using GradientCreator = of_internal::TCGenOfCreator2<TCPxImageFilter, TCPxFilterGradient, int, Px::EGradient>;
using GradientMagnitudeCreator = of_internal::TCGenOfCreator1<TCPxImageFilter, TCPxFilterGradientMagnitude, int>;
using LaplaceCreator = of_internal::TCGenOfCreator1<TCPxImageFilter, TCPxFilterLaplace, int>;
using LowpassCreator = of_internal::TCGenOfCreator1<TCPxImageFilter, TCPxFilterLowpass, int>;
using HighpassCreator = of_internal::TCGenOfCreator1<TCPxImageFilter, TCPxFilterHighpass, int>;
using ContrastCreator = of_internal::TCGenOfCreator0<TCPxImageFilter, TCPxFilterContrast>;
PX_REGISTER_FILTER(TCPxFilterCanny, Canny, CannyCreator, "Canny edge map (thresholds 127 and 255)",
                   PxFilterTable::Accepts({ImageType8bit, ImageTypeFloat}))
PX_REGISTER_FILTER(TCPxFilterGradient, Gradient, GradientCreator, "horizontal or vertical central difference, or Sobel magnitude",
                   PxFilterTable::Accepts({ImageType8bit, ImageTypeFloat}),
                   PxFilterTable::Integer("kernelSize", "neighbourhood of the magnitude (3 x 3 Sobel inside)", 3, 3, 255, true),
                   PxFilterTable::Enumeration("type", "Px::EGradient", "the component", Px::GradientHorizontal,
                                              {{"GradientHorizontal", Px::GradientHorizontal},
                                               {"GradientVertical", Px::GradientVertical},
                                               {"GradientMagnitudeType", Px::GradientMagnitudeType}}))
PX_REGISTER_FILTER(TCPxFilterGradientMagnitude, GradientMagnitude, GradientMagnitudeCreator, "Sobel gradient magnitude",
                   PxFilterTable::Accepts({ImageType8bit, ImageTypeFloat}),
                   PxFilterTable::Integer("kernelSize", "neighbourhood (3 x 3 Sobel inside)", 3, 3, 255, true))
PX_REGISTER_FILTER(TCPxFilterLaplace, Laplace, LaplaceCreator, "Laplace edge filter", PxFilterTable::Accepts({ImageType8bit}),
                   PxFilterTable::Integer("kernelSize", "3, or 5 for the 5 x 5 mask", 3, 3, 255, true))
PX_REGISTER_FILTER(TCPxFilterLowpass, Lowpass, LowpassCreator, "box low-pass filter", PxFilterTable::Accepts({ImageType8bit}),
                   PxFilterTable::Integer("kernelSize", "3, or 5 for the 5 x 5 mask", 3, 3, 255, true))
PX_REGISTER_FILTER(TCPxFilterHighpass, Highpass, HighpassCreator, "high-pass filter", PxFilterTable::Accepts({ImageType8bit}),
                   PxFilterTable::Integer("kernelSize", "3, or 5 for the 5 x 5 mask", 3, 3, 255, true))
PX_REGISTER_FILTER(TCPxFilterContrast, Contrast, ContrastCreator, "contrast enhancement with a fixed 9 x 9 kernel",
                   PxFilterTable::Accepts({ImageType8bit}))

namespace
{
// Applies `mask` (correlation, 8-bit result rounded and saturated) to the
// processed area of the rank filters' geometry: (width - k) x (height - k) from
// (k / 2, k / 2). The mask is at most k wide, so its reads stay in the image.
void MaskFilter8(TCPxImageBase* source, TCPxImageBase* destination, int k, const cv::Mat& mask)
{
  const int h = k / 2;
  const cv::Rect area(h, h, source->GetWidth() - k, source->GetHeight() - k);
  const cv::Mat src = _impl::WholeView(*source);
  cv::Mat dst = _impl::WholeView(*_impl::Target(source, destination));
  const bool inPlace = src.data == dst.data;
  cv::Mat out = inPlace ? PxPrim::Scratch(0, area.size(), CV_8UC1) : dst(area);
  // src(area) is a sub-matrix: OpenCV reads the mask's neighbourhood from the image.
  cv::filter2D(src(area), out, CV_8U, mask, cv::Point(-1, -1), 0, cv::BORDER_REPLICATE);
  if (inPlace)
  {
    cv::Mat target = dst(area);
    out.copyTo(target);
  }
}

bool MaskGeometryFits(const TCPxImageBase* source, const TCPxImageBase* destination, int k)
{
  return source && source->GetImageType() == ImageType8bit && _impl::DestinationFits(*source, destination) &&
         k >= 3 && source->GetWidth() > k && source->GetHeight() > k;
}

// 3 x 3, or 5 x 5 for k = 5: -1 everywhere and the centre balancing the sum to 0.
cv::Mat EdgeMask(int k)
{
  const int n = k == 5 ? 5 : 3;
  cv::Mat mask(n, n, CV_32F, cv::Scalar(-1.0f));
  mask.at<float>(n / 2, n / 2) = static_cast<float>(n * n - 1);
  return mask;
}

// Sobel derivatives of the 3 x 3 kernel over the processed area of the rank
// filters' geometry; `vert` takes the x derivative, `horiz` the y derivative.
void SobelPair(const cv::Mat& src, int k, cv::Mat& vert, cv::Mat& horiz)
{
  const int h = k / 2;
  const cv::Rect area(h, h, src.cols - k, src.rows - k);
  cv::Sobel(src(area), vert, CV_32F, 1, 0, 3, -1.0, 0, cv::BORDER_REPLICATE);
  cv::Sobel(src(area), horiz, CV_32F, 0, 1, 3, 1.0, 0, cv::BORDER_REPLICATE);
}

// The magnitude step: the area takes the vertical Sobel value, then pixels
// k or more from the edge take sqrt(v^2 + h^2) (in double with `precise`).
void Magnitude(const cv::Mat& src, cv::Mat& dst, int k, bool precise)
{
  cv::Mat vert, horiz;
  SobelPair(src, k, vert, horiz);
  const int h = k / 2;
  const cv::Rect area(h, h, src.cols - k, src.rows - k);
  cv::Mat target = dst(area);
  vert.copyTo(target);
  for (int y = k; y < src.rows - k; ++y)
  {
    float* d = dst.ptr<float>(y);
    const float* v = vert.ptr<float>(y - h);
    const float* g = horiz.ptr<float>(y - h);
    for (int x = k; x < src.cols - k; ++x)
    {
      const float a = v[x - h], b = g[x - h];
      d[x] = precise ? static_cast<float>(std::hypot(static_cast<double>(a), static_cast<double>(b)))
                     : std::sqrt(a * a + b * b);
    }
  }
}

// Central differences along rows (horizontal) or columns, one-sided at the ends.
void CentralDifferences(const cv::Mat& src, cv::Mat& dst, bool horizontal)
{
  if (horizontal)
  {
    const int w = src.cols;
    for (int y = 0; y < src.rows; ++y)
    {
      const float* s = src.ptr<float>(y);
      float* d = dst.ptr<float>(y);
      for (int x = 1; x < w - 1; ++x)
        d[x] = (s[x + 1] - s[x - 1]) * 0.5f;
      d[0] = s[1] - s[0];
      d[w - 1] = s[w - 1] - s[w - 2];
    }
    return;
  }
  const int h = src.rows;
  for (int y = 1; y < h - 1; ++y)
  {
    const float* up = src.ptr<float>(y - 1);
    const float* down = src.ptr<float>(y + 1);
    float* d = dst.ptr<float>(y);
    for (int x = 0; x < src.cols; ++x)
      d[x] = (down[x] - up[x]) * 0.5f;
  }
  cv::subtract(src.row(1), src.row(0), dst.row(0));
  cv::subtract(src.row(h - 1), src.row(h - 2), dst.row(h - 1));
}
} // namespace

// ---- Canny ---------------------------------------------------------------------------------
TCPxFilterCanny::TCPxFilterCanny() = default;

void TCPxFilterCanny::UpdateThresholds(int first, int second)
{
  m_iFirst = first;
  m_iSecond = second;
}

void TCPxFilterCanny::ProcessImage(TCPxImageBase* source, TCPxImageBase* destination) const
{
  if (!source || !_impl::DestinationFits(*source, destination))
    return;
  TCPxImageBase* target = _impl::Target(source, destination);
  const cv::Rect roi = _impl::RoiRect(*source);
  if (roi.empty() || _impl::RoiRect(*target).size() != roi.size())
    return;
  if (source->GetImageType() == ImageType8bit)
  {
    const cv::Mat src = *source->GetMatPtr();
    cv::Mat edges;
    cv::Canny(src, edges, m_iSecond, m_iFirst, 3, false);
    cv::Mat out = *target->GetMatPtr();
    edges.copyTo(out);
  }
  else if (source->GetImageType() == ImageTypeFloat)
  {
    // Normalised to 0..255 in a copy: the source stays as it is.
    cv::Mat floats = source->GetMatPtr()->clone();
    cv::normalize(floats, floats, 0.0, 255.0, cv::NORM_MINMAX);
    cv::Mat bytes, edges;
    floats.convertTo(bytes, CV_8U);
    cv::Canny(bytes, edges, m_iSecond, m_iFirst, 3, false);
    cv::Mat out = *target->GetMatPtr();
    edges.convertTo(out, CV_32F);
  }
}

// ---- Gradient ---------------------------------------------------------------------------------
TCPxFilterGradient::TCPxFilterGradient(int kernelSize, Px::EGradient type) : TCPxKernelFilter(kernelSize), m_eType(type)
{
}

void TCPxFilterGradient::ProcessImage(TCPxImageBase* source, TCPxImageBase* destination) const
{
  if (!source || !_impl::DestinationFits(*source, destination))
    return;
  const NPxImageTypes type = source->GetImageType();
  if (type != ImageType8bit && type != ImageTypeFloat)
    return;
  const int w = source->GetWidth(), h = source->GetHeight();
  const bool fits = m_eType == Px::GradientHorizontal   ? w >= 2
                    : m_eType == Px::GradientVertical   ? h >= 2
                    : m_eType == Px::GradientMagnitudeType ? (m_iKernelSize >= 3 && w > m_iKernelSize && h > m_iKernelSize)
                                                          : false;
  if (!fits)
    return;
  const cv::Mat src = type == ImageTypeFloat ? _impl::WholeView(*source).clone() : _impl::FloatCopy(*source);
  cv::Mat out = type == ImageTypeFloat ? _impl::WholeView(*_impl::Target(source, destination)) : src.clone();
  if (m_eType == Px::GradientMagnitudeType)
    Magnitude(src, out, m_iKernelSize, false);
  else
    CentralDifferences(src, out, m_eType == Px::GradientHorizontal);
  if (type == ImageType8bit)
    _impl::StoreBytes(out, *_impl::Target(source, destination));
}

TCPxFilterGradientMagnitude::TCPxFilterGradientMagnitude(int kernelSize) : TCPxKernelFilter(kernelSize)
{
}

void TCPxFilterGradientMagnitude::ProcessImage(TCPxImageBase* source, TCPxImageBase* destination) const
{
  if (!source)
    return;
  const int k = m_iKernelSize;
  if (k < 3 || source->GetWidth() <= k || source->GetHeight() <= k)
    return;
  const NPxImageTypes type = source->GetImageType();
  // An 8-bit source may deliver the float magnitude into a float destination.
  const bool floatOut = type == ImageType8bit && destination && destination->GetImageType() == ImageTypeFloat &&
                        destination->GetWidth() == source->GetWidth() &&
                        destination->GetHeight() == source->GetHeight();
  if (!floatOut && !_impl::DestinationFits(*source, destination))
    return;
  if (type == ImageTypeFloat || floatOut)
  {
    const cv::Mat src = type == ImageTypeFloat ? _impl::WholeView(*source).clone() : _impl::FloatCopy(*source);
    cv::Mat out = _impl::WholeView(*_impl::Target(source, destination));
    if (floatOut)
      src.copyTo(out);
    Magnitude(src, out, k, true);
  }
  else if (type == ImageType8bit)
  {
    const cv::Mat src = _impl::FloatCopy(*source);
    cv::Mat out = src.clone();
    Magnitude(src, out, k, true);
    _impl::StoreBytes(out, *_impl::Target(source, destination));
  }
}

// ---- Laplace, Lowpass, Highpass -------------------------------------------------------------------
TCPxFilterLaplace::TCPxFilterLaplace(int kernelSize) : TCPxKernelFilter(kernelSize)
{
}

void TCPxFilterLaplace::ProcessImage(TCPxImageBase* source, TCPxImageBase* destination) const
{
  if (MaskGeometryFits(source, destination, m_iKernelSize))
    MaskFilter8(source, destination, m_iKernelSize, EdgeMask(m_iKernelSize));
}

TCPxFilterLowpass::TCPxFilterLowpass(int kernelSize) : TCPxKernelFilter(kernelSize)
{
}

void TCPxFilterLowpass::ProcessImage(TCPxImageBase* source, TCPxImageBase* destination) const
{
  if (!MaskGeometryFits(source, destination, m_iKernelSize))
    return;
  const int n = m_iKernelSize == 5 ? 5 : 3;
  MaskFilter8(source, destination, m_iKernelSize, cv::Mat(n, n, CV_32F, cv::Scalar(1.0f / (n * n))));
}

TCPxFilterHighpass::TCPxFilterHighpass(int kernelSize) : TCPxKernelFilter(kernelSize)
{
}

void TCPxFilterHighpass::ProcessImage(TCPxImageBase* source, TCPxImageBase* destination) const
{
  if (MaskGeometryFits(source, destination, m_iKernelSize))
    MaskFilter8(source, destination, m_iKernelSize, EdgeMask(m_iKernelSize));
}

// ---- Contrast ---------------------------------------------------------------------------------------
namespace
{
// The upper-left quarter of the symmetric 9 x 9 contrast kernel; its centre is (4, 4).
const float kContrastQuarter[5][5] = {
    {-0.00601522019f, -0.00815698039f, -0.0057653198f, -0.000761648989f, 0.00105624006f},
    {-0.00815698039f, -0.00235211011f, 0.00300228992f, -0.0157625992f, -0.0304662008f},
    {-0.0057653198f, 0.00300228992f, -0.0505102016f, -0.115415998f, -0.115768999f},
    {-0.000761648989f, -0.0157625992f, -0.115415998f, 0.0361011997f, 0.273770988f},
    {0.00105624006f, -0.0304662008f, -0.115768999f, 0.273770988f, 0.719623029f},
};
} // namespace

TCPxFilterContrast::TCPxFilterContrast() : TCPxKernelFilter(9)
{
}

float TCPxFilterContrast::KernelValue(int row, int column)
{
  return kContrastQuarter[std::min(row, 8 - row)][std::min(column, 8 - column)];
}

void TCPxFilterContrast::ProcessImage(TCPxImageBase* source, TCPxImageBase* destination) const
{
  if (!source || source->GetImageType() != ImageType8bit || !_impl::DestinationFits(*source, destination) ||
      m_iKernelSize != 9)
    return;
  const TCGenRect<int> valid = CalculateValidROI(*source);
  if (valid.GetLeft() < 0)
    return;
  cv::Mat kernel(9, 9, CV_32F);
  for (int r = 0; r < 9; ++r)
    for (int c = 0; c < 9; ++c)
      kernel.at<float>(r, c) = KernelValue(r, c);
  const cv::Rect area(valid.GetLeft(), valid.GetTop(), valid.GetWidth(), valid.GetHeight());
  const cv::Mat src = _impl::WholeView(*source);
  cv::Mat dst = _impl::WholeView(*_impl::Target(source, destination));
  cv::Mat& out = PxPrim::Scratch(0, area.size(), CV_8UC1);
  // The valid rectangle keeps the 9 x 9 window inside the image.
  cv::filter2D(src(area), out, CV_8U, kernel, cv::Point(4, 4), 0, cv::BORDER_REPLICATE);
  cv::Mat target = dst(area);
  out.copyTo(target);
}
