#pragma once
#include <pixolan/PxExport.h>
#include <pixolan/model/PxTypes.h>

class TCPx8bitImage;
class TCPx24bitImage;
class TCPxFloatImage;

/// Resized copies of images.
class PIXOLAN_EXPORT TCPxResizing
{
public:
  TCPxResizing() = delete;

  /// A new image of width × height (the caller owns it) holding the source
  /// scaled by `kind`; null for a width or height <= 0.
  static TCPx8bitImage* CreateResizedImage(const TCPx8bitImage& image, int width, int height,
                                           Px::EInterpolationType kind);
  static TCPx24bitImage* CreateResizedImage(const TCPx24bitImage& image, int width, int height,
                                            Px::EInterpolationType kind);
  static TCPxFloatImage* CreateResizedImage(const TCPxFloatImage& image, int width, int height,
                                            Px::EInterpolationType kind);
};
