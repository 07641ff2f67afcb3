#include <pixolan/model/TCPx24bitImage.h>
#include <pixolan/model/TCPx32bitImage.h>
#include <pixolan/model/TCPx8bitImage.h>
#include <pixolan/model/TCPxAvrImage.h>
#include <pixolan/model/TCPxFloatImage.h>
#include <pixolan/model/TCPxUtil.h>

#include <algorithm>
#include <cfloat>
#include <climits>
#include <cmath>
#include <cstdlib>
#include <stdexcept>

#include <cpuid.h>

#include <opencv2/core.hpp>
#include <opencv2/imgproc.hpp>
#include <opencv2/photo.hpp>

#include <general/TCGenMathUtils.h>

#include "primitives/PxPrimitives.h"

TCPxImageBase* TCPxUtil::CreateImage(NPxImageTypes type, int width, int height)
{
  switch (type)
  {
  case ImageType8bit: return new TCPx8bitImage(width, height);
  case ImageType24bit: return new TCPx24bitImage(width, height);
  case ImageType32bit: return new TCPx32bitImage(width, height);
  case ImageTypeFloat: return new TCPxFloatImage(width, height);
  case ImageTypeAvr: return new TCPxAvrImage(width, height);
  default: return nullptr;
  }
}

namespace
{
bool CopyArgumentsValid(const void* source, int sourceStride, const void* target, int targetStride, int width,
                        int height, long long pixelBytes)
{
  if (!source || !target || width <= 0 || height <= 0)
    return false;
  const long long rowBytes = pixelBytes * width;
  // Rows may run bottom-up (negative stride) but must not overlap each other.
  return std::llabs(sourceStride) >= rowBytes && std::llabs(targetStride) >= rowBytes;
}
} // namespace

void TCPxUtil::CopyAlignedBuffer(const unsigned char* source, int sourceStride, unsigned char* target,
                                 int targetStride, int width, int height, int channels)
{
  if (channels != 1 && channels != 3 && channels != 4)
    return;
  if (!CopyArgumentsValid(source, sourceStride, target, targetStride, width, height, channels))
    return;
  PxPrim::CopyRows(source, sourceStride, target, targetStride, static_cast<std::size_t>(width) * channels, height);
}

void TCPxUtil::CopyAlignedBuffer(const float* source, int sourceStride, float* target, int targetStride, int width,
                                 int height)
{
  if (!CopyArgumentsValid(source, sourceStride, target, targetStride, width, height, sizeof(float)))
    return;
  PxPrim::CopyRows(reinterpret_cast<const std::uint8_t*>(source), sourceStride,
                   reinterpret_cast<std::uint8_t*>(target), targetStride, static_cast<std::size_t>(width) * sizeof(float),
                   height);
}

// ======================================================================================
// Channels, borders, maps and flood fill. OpenCV writes through local copies of
// the ROI headers, and only after the sizes and types are known to match, so
// that it never re-points a header at fresh memory instead of the image.
// ======================================================================================
namespace
{
cv::Mat RoiView(const TCPxImageBase& image)
{
  const std::shared_ptr<cv::Mat> view = image.GetMatPtr();
  return view ? *view : cv::Mat();
}

void RequirePlanes(TCPx8bitImage** planes)
{
  if (!planes || !planes[0] || !planes[1] || !planes[2])
    throw std::invalid_argument("three plane images are required");
}
} // namespace

void TCPxUtil::Split(TCPx24bitImage& source, TCPx8bitImage** planes)
{
  RequirePlanes(planes);
  const cv::Mat colour = RoiView(source);
  cv::Mat out[3] = {RoiView(*planes[0]), RoiView(*planes[1]), RoiView(*planes[2])};
  for (const cv::Mat& plane : out)
    if (plane.size() != colour.size() || plane.type() != CV_8UC1)
      return;
  if (colour.empty())
    return;
  cv::split(colour, out);
}

void TCPxUtil::Merge(TCPx8bitImage** planes, TCPx24bitImage* target)
{
  RequirePlanes(planes);
  if (!target)
    throw std::invalid_argument("a target image is required");
  cv::Mat colour = RoiView(*target);
  const cv::Mat in[3] = {RoiView(*planes[0]), RoiView(*planes[1]), RoiView(*planes[2])};
  for (const cv::Mat& plane : in)
    if (plane.size() != colour.size() || plane.type() != CV_8UC1)
      return;
  if (colour.empty() || colour.type() != CV_8UC3)
    return;
  cv::merge(in, 3, colour);
}

void TCPxUtil::CopyMakeBorder(const TCPxImageBase& source, TCPxImageBase* target)
{
  if (!target)
    return;
  const int vertical = (target->GetHeight() - source.GetHeight()) / 2;
  const int horizontal = (target->GetWidth() - source.GetWidth()) / 2;
  if (vertical < 0 || horizontal < 0)
    return;
  const cv::Mat in = RoiView(source);
  cv::Mat out = RoiView(*target);
  if (in.empty() || out.type() != in.type() || out.rows != in.rows + 2 * vertical ||
      out.cols != in.cols + 2 * horizontal)
    return;
  cv::copyMakeBorder(in, out, vertical, vertical, horizontal, horizontal, cv::BORDER_REPLICATE);
}

void TCPxUtil::CalcDistTransform(TCPx8bitImage& source, TCPxFloatImage* target)
{
  if (!target)
    return;
  const cv::Mat in = RoiView(source);
  cv::Mat out = RoiView(*target);
  if (in.empty() || out.size() != in.size() || out.type() != CV_32FC1)
    return;
  cv::distanceTransform(in, out, cv::DIST_L2, cv::DIST_MASK_PRECISE, CV_32F);
}

void TCPxUtil::CalcTransPseudoInverse(TCPxFloatImage& matrix, TCPxFloatImage* target)
{
  if (!target)
    return;
  const cv::Mat m = RoiView(matrix);
  cv::Mat out = RoiView(*target);
  if (m.empty() || out.size() != m.size() || out.type() != CV_32FC1)
    return;
  // M = U diag(w) Vt, so pinv(M) = V diag(1/w) Ut and its transpose is
  // U diag(1/w) Vt: no transposition needed. Worked in double precision.
  cv::Mat m64;
  m.convertTo(m64, CV_64F);
  cv::Mat w, u, vt;
  cv::SVD::compute(m64, w, u, vt);
  const double largest = w.empty() ? 0.0 : w.at<double>(0);
  const double tolerance = std::max(m.rows, m.cols) * FLT_EPSILON * largest;
  for (int i = 0; i < w.rows; ++i)
  {
    const double s = w.at<double>(i);
    u.col(i) *= (s > tolerance && s > 0.0) ? 1.0 / s : 0.0;
  }
  cv::Mat result = u * vt;
  result.convertTo(out, CV_32F);
}

void TCPxUtil::InPaint(const TCPxImageBase& source, TCPxImageBase* target, const TCPx8bitImage& mask)
{
  if (!target)
    return;
  const cv::Mat in = RoiView(source);
  const cv::Mat holes = RoiView(mask);
  cv::Mat out = RoiView(*target);
  if (in.empty() || holes.size() != in.size() || out.size() != in.size() || out.type() != in.type())
    return;
  cv::inpaint(in, holes, out, 4.0, cv::INPAINT_NS);
}

void TCPxUtil::FloodFill(std::shared_ptr<TCPxImageBase> image, std::shared_ptr<TCPx8bitImage> mask,
                         TCGenPoint<int> seed, unsigned long colour, double lowerDifference, double upperDifference,
                         bool maskOnly)
{
  if (!image || !mask)
    throw std::invalid_argument("flood fill needs an image and a mask");
  cv::Mat view = RoiView(*image);
  cv::Mat maskView = RoiView(*mask);
  if (maskView.rows != view.rows + 2 || maskView.cols != view.cols + 2)
    CV_Error(cv::Error::StsUnmatchedSizes, "the flood-fill mask ROI must be 2 pixels wider and higher than the image ROI");
  const cv::Scalar value(static_cast<double>((colour >> 16) & 0xFFu), static_cast<double>((colour >> 8) & 0xFFu),
                         static_cast<double>(colour & 0xFFu), 0.0);
  const cv::Scalar low(lowerDifference, lowerDifference, lowerDifference, lowerDifference);
  const cv::Scalar high(upperDifference, upperDifference, upperDifference, upperDifference);
  cv::floodFill(view, maskView, cv::Point(seed.GetX(), seed.GetY()), value, nullptr, low, high,
                4 | (maskOnly ? cv::FLOODFILL_MASK_ONLY : 0));
}

// ======================================================================================
// Point arrays.
// ======================================================================================
cv::Point* TCPxUtil::CreateCvPointArray(const std::vector<TCGenPoint<double>>& points)
{
  if (points.empty())
    return nullptr;
  cv::Point* array = new cv::Point[points.size()];
  for (std::size_t i = 0; i < points.size(); ++i)
    array[i] = cv::Point(TCGenMathUtils::RoundFast(points[i].GetX()), TCGenMathUtils::RoundFast(points[i].GetY()));
  return array;
}

void TCPxUtil::DeleteCvPointArray(cv::Point** array)
{
  if (array)
    delete[] *array;
}

void TCPxUtil::TransformCvPointArray(const cv::Point* source, cv::Point* target, int count, double scale,
                                     double angle, const TCGenPoint<double>& offset)
{
  if (!source || !target || count <= 0)
    return;
  const double c = std::cos(angle);
  const double s = std::sin(angle);
  for (int i = 0; i < count; ++i)
  {
    const double x = source[i].x;
    const double y = source[i].y;
    target[i] = cv::Point(PxPrim::TruncToInt(offset.GetX() + scale * (x * c - y * s)),
                          PxPrim::TruncToInt(offset.GetY() + scale * (y * c + x * s)));
  }
}

bool TCPxUtil::IsValidPoint(const TCGenPoint<int>& point)
{
  return point.GetX() >= 0 && point.GetY() >= 0;
}

bool TCPxUtil::IsValidPoint(const TCGenPoint<double>& point)
{
  return point.GetX() >= 0.0 && point.GetY() >= 0.0;
}

// ======================================================================================
// Processor features and threads.
// ======================================================================================
namespace
{
#if defined(__x86_64__) || defined(__i386__)
unsigned long long Xgetbv0()
{
  unsigned int eax = 0, edx = 0;
  __asm__ volatile("xgetbv" : "=a"(eax), "=d"(edx) : "c"(0));
  return (static_cast<unsigned long long>(edx) << 32) | eax;
}
#endif

void SetIf(unsigned long long* mask, bool condition, unsigned long long bit)
{
  if (condition)
    *mask |= bit;
}
} // namespace

unsigned long long TCPxUtil::GetCpuFeatures()
{
#if defined(__x86_64__) || defined(__i386__)
  unsigned int eax = 0, ebx = 0, ecx = 0, edx = 0;
  if (!__get_cpuid(0, &eax, &ebx, &ecx, &edx))
    return 0;
  const unsigned int maxLeaf = eax;
  unsigned long long mask = 0;
  __get_cpuid(1, &eax, &ebx, &ecx, &edx);
  SetIf(&mask, edx & (1u << 23), Px::CpuFeatureMmx);
  SetIf(&mask, edx & (1u << 25), Px::CpuFeatureSse);
  SetIf(&mask, edx & (1u << 26), Px::CpuFeatureSse2);
  SetIf(&mask, ecx & (1u << 0), Px::CpuFeatureSse3);
  SetIf(&mask, ecx & (1u << 9), Px::CpuFeatureSsse3);
  SetIf(&mask, ecx & (1u << 22), Px::CpuFeatureMovbe);
  SetIf(&mask, ecx & (1u << 19), Px::CpuFeatureSse41);
  SetIf(&mask, ecx & (1u << 20), Px::CpuFeatureSse42);
  SetIf(&mask, ecx & (1u << 28), Px::CpuFeatureAvx);
  SetIf(&mask, ecx & (1u << 25), Px::CpuFeatureAes);
  SetIf(&mask, ecx & (1u << 1), Px::CpuFeatureClmul);
  SetIf(&mask, ecx & (1u << 30), Px::CpuFeatureRdrand);
  SetIf(&mask, ecx & (1u << 29), Px::CpuFeatureF16c);
  const bool osxsave = ecx & (1u << 27);
  const unsigned long long xcr0 = osxsave ? Xgetbv0() : 0;
  // XMM and YMM state saved by the OS; for AVX-512 also the opmask and ZMM state.
  SetIf(&mask, (mask & Px::CpuFeatureAvx) && (xcr0 & 0x6) == 0x6, Px::CpuFeatureAvxEnabledByOs);
  const bool avx512State = (xcr0 & 0xE6) == 0xE6;
  if (maxLeaf >= 7)
  {
    __cpuid_count(7, 0, eax, ebx, ecx, edx);
    SetIf(&mask, ebx & (1u << 5), Px::CpuFeatureAvx2);
    SetIf(&mask, ebx & (1u << 19), Px::CpuFeatureAdcox);
    SetIf(&mask, ebx & (1u << 18), Px::CpuFeatureRdseed);
    SetIf(&mask, ebx & (1u << 29), Px::CpuFeatureSha);
    SetIf(&mask, ebx & (1u << 16), Px::CpuFeatureAvx512f);
    SetIf(&mask, ebx & (1u << 28), Px::CpuFeatureAvx512cd);
    SetIf(&mask, ebx & (1u << 27), Px::CpuFeatureAvx512er);
    SetIf(&mask, ebx & (1u << 26), Px::CpuFeatureAvx512pf);
    SetIf(&mask, ebx & (1u << 30), Px::CpuFeatureAvx512bw);
    SetIf(&mask, ebx & (1u << 17), Px::CpuFeatureAvx512dq);
    SetIf(&mask, ebx & (1u << 31), Px::CpuFeatureAvx512vl);
    SetIf(&mask, ecx & (1u << 1), Px::CpuFeatureAvx512vbmi);
    SetIf(&mask, (mask & Px::CpuFeatureAvx512f) && avx512State, Px::CpuFeatureAvx512EnabledByOs);
  }
  unsigned int maxExtended = __get_cpuid_max(0x80000000u, nullptr);
  if (maxExtended >= 0x80000001u)
  {
    __get_cpuid(0x80000001u, &eax, &ebx, &ecx, &edx);
    SetIf(&mask, ecx & (1u << 8), Px::CpuFeaturePrefetchw);
  }
  return mask;
#else
  return 0;
#endif
}

void TCPxUtil::SetIppNumThreads(int threads)
{
  // The library's row-parallel loops run on OpenCV's pool; a negative count
  // asks OpenCV for its default.
  cv::setNumThreads(threads >= 1 ? threads : -1);
}
