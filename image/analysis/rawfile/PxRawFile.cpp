#include "PxRawFile.h"

#include <memory>
#include <stdexcept>

#include <pixolan/analysis/TCPxIO.h>
#include <pixolan/model/TCPxFloatImage.h>
#include <pixolan/model/TCPxImageBase.h>

namespace
{
// Row alignment of the image allocator: the stride of a raw file's rows.
constexpr std::int64_t kRowAlignment = 32;

std::int32_t LittleEndian32(const unsigned char* bytes)
{
  const std::uint32_t v = std::uint32_t(bytes[0]) | std::uint32_t(bytes[1]) << 8 | std::uint32_t(bytes[2]) << 16 |
                          std::uint32_t(bytes[3]) << 24;
  return static_cast<std::int32_t>(v);
}

unsigned char* MutableBuffer(TCPxImageBase* image)
{
  return static_cast<unsigned char*>(const_cast<void*>(image->GetBuffer()));
}

bool ReadExactly(std::istream& in, unsigned char* target, std::int64_t bytes)
{
  in.read(reinterpret_cast<char*>(target), static_cast<std::streamsize>(bytes));
  return in.gcount() == static_cast<std::streamsize>(bytes);
}
} // namespace

bool PxRawFile::ReadHeader(std::istream& in, Header* header)
{
  if (!header || !in)
    return false;
  const std::streampos start = in.tellg();
  if (start < 0 || !in.seekg(0, std::ios::end))
    return false;
  const std::streamoff length = in.tellg() - start;
  if (!in.seekg(start) || length < kHeaderBytes)
    return false;
  unsigned char bytes[kHeaderBytes];
  if (!ReadExactly(in, bytes, kHeaderBytes))
    return false;
  header->width = LittleEndian32(bytes);
  header->height = LittleEndian32(bytes + 4);
  header->payloadBytes = static_cast<std::int64_t>(length) - kHeaderBytes;
  return true;
}

TCPxImageBase* PxRawFile::CreateImage(std::istream& in)
{
  Header header;
  if (!ReadHeader(in, &header) || header.width <= 0 || header.height <= 0)
    return nullptr;
  // The buffer a float image of this size holds, computed before anything is allocated.
  const std::int64_t stride =
    (static_cast<std::int64_t>(header.width) * 4 + kRowAlignment - 1) / kRowAlignment * kRowAlignment;
  // Divided, not multiplied: stride * height can pass even 64 bits.
  if (stride > TCPxIO::ms_maxRawBufferBytes || header.height > TCPxIO::ms_maxRawBufferBytes / stride)
    return nullptr;
  if (stride * header.height > header.payloadBytes)
    return nullptr;

  std::unique_ptr<TCPxFloatImage> image;
  try
  {
    image = std::make_unique<TCPxFloatImage>(header.width, header.height);
  }
  catch (const std::exception&)
  {
    return nullptr;
  }
  if (image->GetBufferSize() > header.payloadBytes || image->GetBufferSize() <= 0)
    return nullptr;
  if (!ReadExactly(in, MutableBuffer(image.get()), image->GetBufferSize()))
    return nullptr;
  return image.release();
}

bool PxRawFile::LoadImage(TCPxImageBase* image, std::istream& in)
{
  Header header;
  if (!image || !ReadHeader(in, &header))
    return false;
  if (header.width != image->GetWidth() || header.height != image->GetHeight())
    return false;
  const std::int64_t bytes = image->GetBufferSize();
  if (bytes <= 0 || bytes > header.payloadBytes || !image->GetBuffer())
    return false; // checked first, so that a short stream leaves the image unchanged
  return ReadExactly(in, MutableBuffer(image), bytes);
}
