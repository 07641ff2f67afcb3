#pragma once
// The raw image file reader over any input stream: the file functions of
// TCPxIO open the file and hand the stream over, the fuzz targets read from
// memory. Internal: not installed.
#include <cstdint>
#include <istream>

class TCPxImageBase;

namespace PxRawFile
{
/// Bytes before the pixel buffer: width and height, signed 32-bit little-endian.
constexpr std::int64_t kHeaderBytes = 8;

struct Header
{
  std::int32_t width = 0;
  std::int32_t height = 0;
  std::int64_t payloadBytes = 0; ///< bytes present after the header
};

/// Reads the header at the stream's position and counts the bytes that follow
/// it (the stream must be seekable). False, and `header` unchanged, when the
/// stream is unusable or holds fewer bytes than a header.
bool ReadHeader(std::istream& in, Header* header);

/// A new `TCPxFloatImage` of the header's size filled from the stream, owned
/// by the caller; null when the size is not positive, the buffer would exceed
/// `TCPxIO::ms_maxRawBufferBytes`, or fewer bytes follow than the buffer holds.
/// Nothing is allocated before the sizes are checked against the bytes present.
TCPxImageBase* CreateImage(std::istream& in);

/// Reads the stream into `image`'s whole buffer. True when the header's size
/// equals the image's and the whole buffer is present; on false the image is
/// unchanged (a null image gives false).
bool LoadImage(TCPxImageBase* image, std::istream& in);
} // namespace PxRawFile
