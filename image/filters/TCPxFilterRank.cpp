#include <pixolan/filters/TCPxFilterRank.h>

#include <opencv2/core.hpp>

#include "PxFilterSupport.h"
#include "primitives/PxFilterPrimitives.h"

using MinCreator = of_internal::TCGenOfCreator1<TCPxImageFilter, TCPxFilterMin, int>;
using MaxCreator = of_internal::TCGenOfCreator1<TCPxImageFilter, TCPxFilterMax, int>;
using MedianCreator = of_internal::TCGenOfCreator1<TCPxImageFilter, TCPxFilterMedian, int>;
using RangeCreator = of_internal::TCGenOfCreator1<TCPxImageFilter, TCPxFilterRange, int>;
PX_REGISTER_FILTER(TCPxFilterMin, Min, MinCreator, "minimum of the square window", PxFilterTable::Accepts({ImageType8bit}),
                   PxFilterTable::Integer("kernelSize", "side of the square window", 3, 1, 255))
PX_REGISTER_FILTER(TCPxFilterMax, Max, MaxCreator, "maximum of the square window", PxFilterTable::Accepts({ImageType8bit}),
                   PxFilterTable::Integer("kernelSize", "side of the square window", 3, 1, 255))
PX_REGISTER_FILTER(TCPxFilterMedian, Median, MedianCreator, "median of the square window",
                   PxFilterTable::Accepts({ImageType8bit, ImageType24bit}),
                   PxFilterTable::Integer("kernelSize", "side of the square window", 3, 1, 255))
PX_REGISTER_FILTER(TCPxFilterRange, Range, RangeCreator, "maximum minus minimum of the square window",
                   PxFilterTable::Accepts({ImageType8bit}),
                   PxFilterTable::Integer("kernelSize", "side of the square window", 3, 1, 255))

namespace
{
// Runs a rank filter with the common neighbourhood geometry when the image
// types, the destination and the kernel allow it; otherwise does nothing.
bool Runnable(const TCPxImageBase* source, const TCPxImageBase* destination, int k)
{
  return source && _impl::DestinationFits(*source, destination) && k >= 1 && source->GetWidth() > k &&
         source->GetHeight() > k;
}

void Rank(TCPxImageBase* source, TCPxImageBase* destination, int k, PxPrim::RankOp op)
{
  const cv::Mat src = _impl::WholeView(*source);
  cv::Mat dst = _impl::WholeView(*_impl::Target(source, destination));
  PxPrim::RankFilter(src, dst, k, op);
}
} // namespace

TCPxFilterMin::TCPxFilterMin(int kernelSize) : TCPxKernelFilter(kernelSize)
{
}

void TCPxFilterMin::ProcessImage(TCPxImageBase* source, TCPxImageBase* destination) const
{
  if (Runnable(source, destination, m_iKernelSize) && source->GetImageType() == ImageType8bit)
    Rank(source, destination, m_iKernelSize, PxPrim::RankOp::Min);
}

TCPxFilterMax::TCPxFilterMax(int kernelSize) : TCPxKernelFilter(kernelSize)
{
}

void TCPxFilterMax::ProcessImage(TCPxImageBase* source, TCPxImageBase* destination) const
{
  if (Runnable(source, destination, m_iKernelSize) && source->GetImageType() == ImageType8bit)
    Rank(source, destination, m_iKernelSize, PxPrim::RankOp::Max);
}

TCPxFilterMedian::TCPxFilterMedian(int kernelSize) : TCPxKernelFilter(kernelSize)
{
}

void TCPxFilterMedian::ProcessImage(TCPxImageBase* source, TCPxImageBase* destination) const
{
  if (!Runnable(source, destination, m_iKernelSize))
    return;
  const int k = m_iKernelSize;
  if (source->GetImageType() == ImageType8bit)
    Rank(source, destination, k, PxPrim::RankOp::Median);
  else if (source->GetImageType() == ImageType24bit)
  {
    if (k == 3 || k == 5)
    {
      const cv::Mat src = destination ? _impl::WholeView(*source) : _impl::WholeView(*source).clone();
      cv::Mat dst = _impl::WholeView(*_impl::Target(source, destination));
      PxPrim::VectorMedianFilter(src, dst, k);
    }
    else
      Rank(source, destination, k, PxPrim::RankOp::Median);
  }
}

TCPxFilterRange::TCPxFilterRange(int kernelSize) : TCPxKernelFilter(kernelSize)
{
}

void TCPxFilterRange::ProcessImage(TCPxImageBase* source, TCPxImageBase* destination) const
{
  if (!source || source->GetImageType() != ImageType8bit || !_impl::DestinationFits(*source, destination) ||
      m_iKernelSize < 1)
    return;
  cv::Mat dst = _impl::WholeView(*_impl::Target(source, destination));
  PxPrim::RangeFilter(_impl::WholeView(*source), dst, m_iKernelSize / 2);
}
