#include <pixolan/model/TCPx24bitImage.h>
#include <pixolan/model/TCPx32bitImage.h>
#include <pixolan/model/TCPx8bitImage.h>
#include <pixolan/model/TCPxAvrImage.h>
#include <pixolan/model/TCPxFloatImage.h>
#include <pixolan/model/TCPxUtil.h>

#include <cstdlib>

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
