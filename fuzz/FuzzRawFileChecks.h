#pragma once
// The raw reader's promises, shared by the in-memory and the file targets.
#include <cstdint>
#include <cstring>
#include <vector>

#include <pixolan/model/TCPxImageBase.h>

#include "FuzzInput.h"

inline std::int32_t HeaderField(const std::uint8_t* data, std::size_t offset)
{
  std::int32_t v;
  std::memcpy(&v, data + offset, 4);
  return v;
}

/// An accepted file: a float image of the header's size whose buffer is the
/// bytes after the header. A refused one: null.
inline void CheckCreated(const TCPxImageBase* image, const std::uint8_t* data, std::size_t size)
{
  if (!image)
    return;
  FUZZ_CHECK(size >= 8);
  FUZZ_CHECK(image->GetImageType() == ImageTypeFloat);
  FUZZ_CHECK(image->GetWidth() == HeaderField(data, 0) && image->GetHeight() == HeaderField(data, 4));
  const std::size_t bytes = static_cast<std::size_t>(image->GetBufferSize());
  FUZZ_CHECK(bytes > 0 && bytes <= size - 8);
  FUZZ_CHECK(std::memcmp(image->GetBuffer(), data + 8, bytes) == 0);
}

/// Every byte of the buffer set to a value that depends on its place, so that
/// an unchanged buffer can be told from a partly written one.
inline void FillPattern(TCPxImageBase* image)
{
  auto* p = static_cast<std::uint8_t*>(const_cast<void*>(image->GetBuffer()));
  for (int i = 0; i < image->GetBufferSize(); ++i)
    p[i] = static_cast<std::uint8_t>(i * 7 + 3);
}

/// A load that succeeded wrote the bytes after the header into the whole
/// buffer; one that failed left the buffer as FillPattern made it.
inline void CheckLoaded(const TCPxImageBase* image, bool loaded, const std::uint8_t* data, std::size_t size)
{
  const auto* p = static_cast<const std::uint8_t*>(image->GetBuffer());
  const std::size_t bytes = static_cast<std::size_t>(image->GetBufferSize());
  if (loaded)
  {
    FUZZ_CHECK(size >= 8 && bytes <= size - 8);
    FUZZ_CHECK(image->GetWidth() == HeaderField(data, 0) && image->GetHeight() == HeaderField(data, 4));
    FUZZ_CHECK(std::memcmp(p, data + 8, bytes) == 0);
    return;
  }
  for (std::size_t i = 0; i < bytes; ++i)
    FUZZ_CHECK(p[i] == static_cast<std::uint8_t>(i * 7 + 3));
}
