#include <pixolan/model/TCPx8bitImage.h>

#include <algorithm>
#include <vector>

#include "primitives/PxPrimitives.h"

TCPx8bitImage::TCPx8bitImage(int width, int height) : TCPxByteImage(ImageType8bit, width, height, 1)
{
  AllocateOwnBuffer();
}

TCPx8bitImage::TCPx8bitImage(const TCPx8bitImage& source)
    : TCPxByteImage(ImageType8bit, source.GetWidth(), source.GetHeight(), 1)
{
  AllocateOwnBuffer();
  CopyBuffer(source.GetBuffer(), source.GetBufferSize(), 0);
  SetROI(source.GetROI());
}

TCPx8bitImage::~TCPx8bitImage() = default;

TCPxImageBase* TCPx8bitImage::Create(int width, int height) const
{
  return new TCPx8bitImage(width, height);
}

TCPxImageBase* TCPx8bitImage::Clone() const
{
  return new TCPx8bitImage(*this);
}

void TCPx8bitImage::FillDibHeader()
{
  FillDibHeaderFor(8, true);
}

int TCPx8bitImage::GetIntensityHistogram(int bins, std::vector<int>* histogram) const
{
  if (bins <= 0 || !histogram || !GetBuffer())
    return -1;
  std::vector<int> counts(static_cast<std::size_t>(bins));
  PxPrim::HistogramEven8u(GetBuffer(), GetStepSize(), GetWidth(), GetHeight(), bins, 0, 255, counts.data());
  histogram->insert(histogram->end(), counts.begin(), counts.end());
  return *std::max_element(counts.begin(), counts.end());
}

void TCPx8bitImage::ScaleNearestNeighbour(const TCPxImageBase& source)
{
  // Source rows must have this image's layout; another layout would be read
  // with the wrong row width.
  if (source.GetPixelSize() != GetPixelSize() || source.GetNrChannels() != GetNrChannels() || !source.GetBuffer())
    return;
  const int sw = source.GetWidth();
  const int sh = source.GetHeight();
  const int dw = GetWidth();
  const int dh = GetHeight();
  // Factors divided in single precision, then widened.
  const double xFactor = static_cast<double>(static_cast<float>(dw) / static_cast<float>(sw));
  const double yFactor = static_cast<double>(static_cast<float>(dh) / static_cast<float>(sh));
  PxPrim::ResizeNearestCentre(static_cast<const std::uint8_t*>(source.GetBuffer()), sw, sh, source.GetStepSize(),
                              CurrentBuffer(), dw, dh, GetStepSize(), 1, xFactor, yFactor);
}

void TCPx8bitImage::Mirror(bool vertical)
{
  if (vertical)
    PxPrim::MirrorRows(CurrentBuffer(), GetStepSize(), GetWidth(), GetHeight(), 1);
  else
    PxPrim::MirrorColumns(CurrentBuffer(), GetStepSize(), GetWidth(), GetHeight(), 1);
}

void TCPx8bitImage::CopyBuffer(const unsigned char* source, int sourceLength, int sourceStride)
{
  if (!source || sourceLength < 0 || sourceStride < 0)
    return;
  const int width = GetWidth();
  const int height = GetHeight();
  long long stride = sourceStride != 0 ? sourceStride : GetStepSize();
  // A source must cover every row read: (height - 1) strides plus one row.
  auto covers = [&](long long rowBytes) {
    return stride >= rowBytes && (height - 1) * stride + rowBytes <= sourceLength;
  };
  if (sourceLength <= GetBufferSize())
  {
    if (covers(width))
      PxPrim::CopyRows(source, static_cast<std::ptrdiff_t>(stride), CurrentBuffer(), GetStepSize(),
                       static_cast<std::size_t>(width), height);
    return;
  }
  // A longer source carries more bytes per pixel.
  const long long bytesPerPixel = stride / width;
  if (sourceLength != height * stride)
    stride = sourceLength / height;
  if (!covers(bytesPerPixel * width))
    return;
  const int s = static_cast<int>(stride);
  switch (bytesPerPixel)
  {
  case 1:
    PxPrim::CopyRows(source, s, CurrentBuffer(), GetStepSize(), static_cast<std::size_t>(width), height);
    break;
  case 2:
    PxPrim::Scale16uTo8uRows(source, s, CurrentBuffer(), GetStepSize(), width, height);
    break;
  case 3:
  case 4:
    PxPrim::RgbRowsToGray(source, s, static_cast<int>(bytesPerPixel), CurrentBuffer(), GetStepSize(), width,
                          height);
    break;
  default:
    break;
  }
}
