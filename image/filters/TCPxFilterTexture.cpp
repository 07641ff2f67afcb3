#include <pixolan/filters/TCPxFilterTexture.h>
#include <pixolan/model/TCPx8bitImage.h>
#include <pixolan/model/TCPxConversion.h>
#include <pixolan/model/TCPxFloatImage.h>

#include <algorithm>
#include <array>
#include <vector>

#include <opencv2/core.hpp>
#include <opencv2/imgproc.hpp>

#include "PxFilterSupport.h"

namespace
{
using AngularityCreator = of_internal::TCGenOfCreator0<TCPxImageFilter, TCPxFilterAngularity>;
using HurstCreator = of_internal::TCGenOfCreator1<TCPxImageFilter, TCPxFilterHurst, int>;

/// The corner map of `from` (float, ROI view) into `to` (float, same size), then 0..255 over to's ROI.
void CornerStrength(const cv::Mat& from, TCPxFloatImage& to)
{
  cv::Mat out = *to.GetMatPtr();
  if (from.empty() || from.size() != out.size())
    return;
  cv::cornerMinEigenVal(from, out, 11, 3, cv::BORDER_REFLECT_101);
  to.Normalize();
  to *= 255.0f;
}

// ln-range table: L[v] = round(255 ln(v + 1) / ln 256).
constexpr std::array<unsigned char, 256> kLog = {
    0,   32,  51,  64,  74,  82,  90,  96,  101, 106, 110, 114, 118, 121, 125, 128, 130, 133, 135, 138, 140, 142,
    144, 146, 148, 150, 152, 153, 155, 156, 158, 159, 161, 162, 164, 165, 166, 167, 169, 170, 171, 172, 173, 174,
    175, 176, 177, 178, 179, 180, 181, 182, 183, 183, 184, 185, 186, 187, 188, 188, 189, 190, 191, 191, 192, 193,
    193, 194, 195, 195, 196, 197, 197, 198, 199, 199, 200, 200, 201, 202, 202, 203, 203, 204, 204, 205, 205, 206,
    206, 207, 207, 208, 208, 209, 209, 210, 210, 211, 211, 212, 212, 213, 213, 214, 214, 215, 215, 215, 216, 216,
    217, 217, 217, 218, 218, 219, 219, 219, 220, 220, 221, 221, 221, 222, 222, 222, 223, 223, 224, 224, 224, 225,
    225, 225, 226, 226, 226, 227, 227, 227, 228, 228, 228, 229, 229, 229, 230, 230, 230, 230, 231, 231, 231, 232,
    232, 232, 233, 233, 233, 233, 234, 234, 234, 235, 235, 235, 235, 236, 236, 236, 237, 237, 237, 237, 238, 238,
    238, 238, 239, 239, 239, 239, 240, 240, 240, 240, 241, 241, 241, 241, 242, 242, 242, 242, 243, 243, 243, 243,
    243, 244, 244, 244, 244, 245, 245, 245, 245, 246, 246, 246, 246, 246, 247, 247, 247, 247, 247, 248, 248, 248,
    248, 249, 249, 249, 249, 249, 250, 250, 250, 250, 250, 251, 251, 251, 251, 251, 252, 252, 252, 252, 252, 252,
    253, 253, 253, 253, 253, 254, 254, 254, 254, 254, 255, 255, 255, 255};

struct Offset
{
  int dx, dy;
};
// The seven rings of distance 1, sqrt 2, 2, sqrt 5, sqrt 8, 3 and sqrt 10.
const std::vector<std::vector<Offset>> kRings = {
    {{-1, 0}, {0, 1}, {1, 0}, {0, -1}},
    {{-1, 1}, {1, 1}, {1, -1}, {-1, -1}},
    {{-2, 0}, {0, 2}, {2, 0}, {0, -2}},
    {{-2, 1}, {-1, 2}, {1, 2}, {2, 1}, {2, -1}, {1, -2}, {-1, -2}, {-2, -1}},
    {{-2, 2}, {2, 2}, {2, -2}, {-2, -2}},
    {{-3, 0}, {0, 3}, {3, 0}, {0, -3}},
    {{-3, 1}, {-1, 3}, {1, 3}, {3, 1}, {3, -1}, {1, -3}, {-1, -3}, {-3, -1}}};
} // namespace

PX_REGISTER_FILTER(TCPxFilterAngularity, Angularity, AngularityCreator,
                   "corner strength (smaller gradient eigenvalue over 11 x 11 blocks), 0..255",
                   PxFilterTable::Accepts({ImageType8bit, ImageTypeFloat}))
PX_REGISTER_FILTER(TCPxFilterHurst, Hurst, HurstCreator, "local Hurst exponent of the grey-level ranges",
                   PxFilterTable::Accepts({ImageType8bit}),
                   PxFilterTable::Integer("kernelSize", "border band is kernelSize / 2; at least 7", 7, 7, 255))

// ---- Angularity -----------------------------------------------------------------------------
void TCPxFilterAngularity::ProcessImage(TCPxImageBase* source, TCPxImageBase* destination) const
{
  if (!source || !_impl::DestinationFits(*source, destination))
    return;
  if (source->GetImageType() == ImageTypeFloat)
  {
    const cv::Mat from = destination ? *source->GetMatPtr() : source->GetMatPtr()->clone();
    CornerStrength(from, static_cast<TCPxFloatImage&>(*_impl::Target(source, destination)));
    return;
  }
  if (source->GetImageType() != ImageType8bit)
    return;
  const TCPxFloatImage floats(static_cast<const TCPx8bitImage&>(*source));
  TCPxFloatImage result(floats.GetWidth(), floats.GetHeight());
  result.SetROI(floats.GetROI());
  CornerStrength(*floats.GetMatPtr(), result);
  TCPxConversion::Float2Byte(result, static_cast<TCPxByteImage*>(_impl::Target(source, destination)));
}

// ---- Hurst -----------------------------------------------------------------------------------
TCPxFilterHurst::TCPxFilterHurst(int kernelSize) : TCPxKernelFilter(kernelSize)
{
}

void TCPxFilterHurst::ProcessImage(TCPxImageBase* source, TCPxImageBase* destination) const
{
  if (!source || source->GetImageType() != ImageType8bit || !_impl::DestinationFits(*source, destination) ||
      m_iKernelSize < 7)
    return;
  const int h = m_iKernelSize / 2;
  const cv::Mat src = _impl::WholeView(*source);
  const int width = src.cols, height = src.rows;
  cv::Mat out(height, width, CV_8U, cv::Scalar(0)); // the border band stays 0
  const auto stride = static_cast<std::ptrdiff_t>(src.step);
  std::array<std::vector<std::ptrdiff_t>, 7> rings;
  for (std::size_t c = 0; c < kRings.size(); ++c)
    for (const Offset& o : kRings[c])
      rings[c].push_back(o.dy * stride + o.dx);
  for (int y = h; y < height - h; ++y)
  {
    const unsigned char* row = src.ptr<unsigned char>(y);
    unsigned char* target = out.ptr<unsigned char>(y);
    for (int x = h; x < width - h; ++x)
    {
      const unsigned char* centre = row + x;
      int logRange[7];
      for (int c = 0; c < 7; ++c)
      {
        int lo = 255, hi = 0;
        for (const std::ptrdiff_t offset : rings[c])
        {
          const int v = centre[offset];
          lo = std::min(lo, v);
          hi = std::max(hi, v);
        }
        logRange[c] = kLog[hi - lo];
      }
      const int sum = logRange[0] + logRange[1] + logRange[2] + logRange[3] + logRange[4] + logRange[5] + logRange[6];
      // Least-squares slope of the log range against 224 log2 of the ring distance.
      const double slope = (112.0 * logRange[1] + 224.0 * logRange[2] + 259.0 * logRange[3] + 336.0 * logRange[4] +
                            357.0 * logRange[5] + 371.0 * logRange[6] - 236.0 * sum) /
                           16313.0;
      // Truncated, then saturated: a falling curve gives 0 rather than a wrapped byte.
      const double scaled = static_cast<double>(static_cast<long>(slope * 255.0 * 0.25));
      target[x] = static_cast<unsigned char>(std::clamp(scaled, 0.0, 255.0));
    }
  }
  cv::Mat dst = _impl::WholeView(*_impl::Target(source, destination));
  out.copyTo(dst);
}
