#include <pixolan/analysis/TCPxResizing.h>

#include <memory>

#include <pixolan/model/TCPx24bitImage.h>
#include <pixolan/model/TCPx8bitImage.h>
#include <pixolan/model/TCPxFloatImage.h>

namespace
{
template <class Image>
Image* Resized(const Image& image, int width, int height, Px::EInterpolationType kind)
{
  // The image constructors throw for empty sizes: a null result instead.
  if (width <= 0 || height <= 0)
    return nullptr;
  auto out = std::make_unique<Image>(width, height);
  out->Scale(image, kind);
  return out.release();
}
}  // namespace

TCPx8bitImage* TCPxResizing::CreateResizedImage(const TCPx8bitImage& image, int width, int height,
                                                Px::EInterpolationType kind)
{
  return Resized(image, width, height, kind);
}

TCPx24bitImage* TCPxResizing::CreateResizedImage(const TCPx24bitImage& image, int width, int height,
                                                 Px::EInterpolationType kind)
{
  return Resized(image, width, height, kind);
}

TCPxFloatImage* TCPxResizing::CreateResizedImage(const TCPxFloatImage& image, int width, int height,
                                                 Px::EInterpolationType kind)
{
  return Resized(image, width, height, kind);
}
