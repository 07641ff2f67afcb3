#pragma once
#include <pixolan/PxExport.h>
#include <pixolan/model/PxTypes.h>

class TCPxImageBase;

/// Image utilities: the image factory and buffer copies.
class PIXOLAN_EXPORT TCPxUtil
{
public:
  /// New image of the class for `type` and the given size; null for a type
  /// that has no image class here. The caller owns it.
  static TCPxImageBase* CreateImage(NPxImageTypes type, int width, int height);

  /// Copies a width x height pixel rectangle row by row between two strides
  /// (bytes). Channels 1, 3 and 4; any other count, a null pointer, a
  /// non-positive size or a stride shorter than a row copies nothing.
  static void CopyAlignedBuffer(const unsigned char* source, int sourceStride, unsigned char* target,
                                int targetStride, int width, int height, int channels);
  /// The same for one float channel; strides in bytes.
  static void CopyAlignedBuffer(const float* source, int sourceStride, float* target, int targetStride, int width,
                                int height);
};
