#include <pixolan/model/TCPxByteImage.h>

#include <cstdlib>
#include <cstring>

#include "primitives/PxPrimitives.h"

TCPxByteImage::TCPxByteImage(NPxImageTypes type, int width, int height, int channels)
    : TCPxImageBase(type, width, height, channels, TCGenRect<int>())
{
  std::memset(&m_dib, 0, sizeof(m_dib));
}

TCPxByteImage::~TCPxByteImage()
{
  ReleasePixels(m_pOwnBuffer);
}

int TCPxByteImage::GetPixelSize() const
{
  return GetNrChannels();
}

void TCPxByteImage::AllocateOwnBuffer()
{
  m_pOwnBuffer = static_cast<unsigned char*>(AllocatePixels(GetNrChannels()));
  SetImageBuffer(m_pOwnBuffer);
  FillDibHeader();
}

void TCPxByteImage::SetImageBuffer(unsigned char* buffer)
{
  m_pCurrentBuffer = buffer;
  TCPxImageBase::SetImageBuffer(buffer);
}

void TCPxByteImage::SetExternalBuffer(unsigned char* buffer)
{
  SetImageBuffer(buffer ? buffer : m_pOwnBuffer);
}

bool TCPxByteImage::SetExternalBuffer(unsigned char* buffer, long long bufferLength)
{
  if (buffer && bufferLength < static_cast<long long>(GetHeight()) * GetStepSize())
    return false;
  SetExternalBuffer(buffer);
  return true;
}

BITMAPINFOHEADER* TCPxByteImage::CloneDibHeader() const
{
  // Allocated as headers so that the caller's delete[] matches the element type.
  constexpr std::size_t count = (sizeof(TCPxDibBlock) + sizeof(BITMAPINFOHEADER) - 1) / sizeof(BITMAPINFOHEADER);
  auto* copy = new BITMAPINFOHEADER[count]();
  std::memcpy(copy, &m_dib, sizeof(m_dib));
  return copy;
}

bool TCPxByteImage::IsTopDown() const
{
  return m_dib.bmiHeader.biHeight < 0;
}

void TCPxByteImage::SetSignDibHeight(bool negative)
{
  const LONG h = m_dib.bmiHeader.biHeight;
  const LONG magnitude = h < 0 ? -h : h;
  m_dib.bmiHeader.biHeight = negative ? -magnitude : magnitude;
}

void TCPxByteImage::FillDibHeaderFor(int bitCount, bool greyPalette)
{
  BITMAPINFOHEADER& h = m_dib.bmiHeader;
  h.biSize = sizeof(BITMAPINFOHEADER);
  h.biWidth = GetWidth();
  h.biHeight = GetHeight();
  h.biPlanes = 1;
  h.biBitCount = static_cast<WORD>(bitCount);
  h.biCompression = BI_RGB;
  // Width * height * bytes per pixel (not height * stride).
  h.biSizeImage = static_cast<DWORD>(static_cast<long long>(GetWidth()) * GetHeight() * (bitCount / 8));
  h.biXPelsPerMeter = 0;
  h.biYPelsPerMeter = 0;
  h.biClrUsed = 0;
  h.biClrImportant = 0;
  if (greyPalette)
  {
    for (int i = 0; i < 256; ++i)
    {
      m_dib.bmiColors[i].rgbBlue = static_cast<BYTE>(i);
      m_dib.bmiColors[i].rgbGreen = static_cast<BYTE>(i);
      m_dib.bmiColors[i].rgbRed = static_cast<BYTE>(i);
      m_dib.bmiColors[i].rgbReserved = 0;
    }
  }
}

void TCPxByteImage::ScaleCurrentNearestNeighbour(const TCPxImageBase& source)
{
  // Source rows must have this image's layout; another layout would be read
  // with the wrong row width.
  if (source.GetPixelSize() != GetPixelSize() || source.GetNrChannels() != GetNrChannels() || !source.GetBuffer())
    return;
  const int sw = source.GetWidth();
  const int sh = source.GetHeight();
  const int dw = GetWidth();
  const int dh = GetHeight();
  const double xFactor = PxPrim::NearestCentreFactor(dw, sw);
  const double yFactor = PxPrim::NearestCentreFactor(dh, sh);
  PxPrim::ResizeNearestCentre(static_cast<const std::uint8_t*>(source.GetBuffer()), sw, sh, source.GetStepSize(),
                              m_pCurrentBuffer, dw, dh, GetStepSize(), GetPixelSize(), xFactor, yFactor);
}

void TCPxByteImage::MirrorCurrent(bool vertical)
{
  if (vertical)
    PxPrim::MirrorRows(m_pCurrentBuffer, GetStepSize(), GetWidth(), GetHeight(), GetPixelSize());
  else
    PxPrim::MirrorColumns(m_pCurrentBuffer, GetStepSize(), GetWidth(), GetHeight(), GetPixelSize());
}
