#pragma once
#include <cstdint>
#include <filesystem>
#include <string>

#include <pixolan/PxExport.h>

class TCPxImageBase;

/// Image files: the library's own raw format and every format OpenCV's codecs
/// know (chosen by the file extension).
///
/// Raw files (extension "rwf", compared case-sensitively) hold the width and
/// the height as signed 32-bit little-endian values followed by the image
/// buffer exactly as held in memory, row padding included. There is no pixel
/// type in the file: `CreateImageFromFile` reads it as a float image, and a
/// file is readable only by an image whose row stride equals the writer's.
///
/// Paths are wide strings of Unicode code points (UTF-8 on the file system);
/// the std::filesystem::path and `const wchar_t*` overloads forward to them.
///
/// Codec calls temporarily switch the process's current directory to the
/// file's directory. The previous directory is restored on every path, but
/// other threads must not rely on the current directory meanwhile.
///
/// Failures are reported by a null result or false; exceptions of OpenCV's
/// codecs (for example an extension no codec writes) pass through.
class PIXOLAN_EXPORT TCPxIO
{
public:
  /// Largest raw pixel buffer that is read from a file (1 GiB).
  static constexpr std::int64_t ms_maxRawBufferBytes = std::int64_t(1) << 30;

  /// New image read from `path`, owned by the caller, or null.
  /// Raw files become a `TCPxFloatImage`; null when the file cannot be read,
  /// its width or height is not positive, its buffer would exceed
  /// `ms_maxRawBufferBytes`, or the file is shorter than its header claims.
  /// Codec files become a `TCPx8bitImage`, `TCPx24bitImage` or
  /// `TCPx32bitImage` for 1, 3 or 4 channels of 8 bits (an alpha channel is
  /// kept); other channel counts give null, deeper samples are reduced to 8
  /// bits by the codec.
  static TCPxImageBase* CreateImageFromFile(const std::wstring& path);
  static TCPxImageBase* CreateImageFromFile(const std::filesystem::path& path);
  static TCPxImageBase* CreateImageFromFile(const wchar_t* path);

  /// Reads the file into the existing image's whole buffer (the ROI is kept).
  /// Raw files: true when the header's size equals the image's and the file
  /// holds the whole buffer. Codec files: one-channel images decode the file
  /// to one channel at its own depth; colour images decode it unchanged. True
  /// only when the decoded size, channel count and sample depth equal the
  /// image's; on false the image is unchanged (a null image gives false).
  static bool LoadImage(TCPxImageBase* image, const std::wstring& path);
  static bool LoadImage(TCPxImageBase* image, const std::filesystem::path& path);
  static bool LoadImage(TCPxImageBase* image, const wchar_t* path);

  /// Writes the whole image (the ROI is ignored), creating the target
  /// directory first when it does not exist. Raw files receive width, height
  /// and `GetBufferSize()` buffer bytes; codec files are written with OpenCV's
  /// defaults for the extension. Returns true when the file was written.
  static bool SaveImage(const TCPxImageBase& image, const std::wstring& path);
  static bool SaveImage(const TCPxImageBase& image, const std::filesystem::path& path);
  static bool SaveImage(const TCPxImageBase& image, const wchar_t* path);
};
