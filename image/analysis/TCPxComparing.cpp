#include <pixolan/analysis/TCPxComparing.h>

#include <algorithm>

#include <pixolan/model/TCPx8bitImage.h>
#include <pixolan/model/TCPxFloatImage.h>

#include "PxImageViews.h"
#include "primitives/PxAnalysisPrimitives.h"

using _impl::RoiRegion;

namespace
{

void Compare(PxAnalysisPrim::ECompare op, cv::Mat dst, cv::Mat a, cv::Mat b)
{
  const int width = std::min({dst.cols, a.cols, b.cols});
  const int height = std::min({dst.rows, a.rows, b.rows});
  if (width <= 0 || height <= 0)
    return;
  PxAnalysisPrim::CompareRows(op, a.ptr<float>(), static_cast<int>(a.step), b.ptr<float>(), static_cast<int>(b.step),
                              dst.data, static_cast<int>(dst.step), width, height);
}
}  // namespace

void TCPxComparing::CompareGreater(TCPx8bitImage* dst, const TCPxFloatImage& a, const TCPxFloatImage& b)
{
  if (dst)
    Compare(PxAnalysisPrim::ECompare::Greater, *dst->GetFullMatPtr(), *a.GetFullMatPtr(), *b.GetFullMatPtr());
}

void TCPxComparing::CompareLess(TCPx8bitImage* dst, const TCPxFloatImage& a, const TCPxFloatImage& b)
{
  if (dst)
    Compare(PxAnalysisPrim::ECompare::Less, RoiRegion(*dst), RoiRegion(a), RoiRegion(b));
}

void TCPxComparing::CompareValue(TCPx8bitImage* dst, const TCPxFloatImage& a, float value, float eps)
{
  if (!dst)
    return;
  const cv::Mat d = RoiRegion(*dst);
  const cv::Mat s = RoiRegion(a);
  const int width = std::min(d.cols, s.cols);
  const int height = std::min(d.rows, s.rows);
  if (width <= 0 || height <= 0)
    return;
  PxAnalysisPrim::CompareEqualEpsRows(s.ptr<float>(), static_cast<int>(s.step), value, eps, d.data,
                                      static_cast<int>(d.step), width, height);
}
