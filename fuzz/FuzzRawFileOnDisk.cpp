// Raw image files through the public file functions: the input is written to
// a temporary file and read back by CreateImageFromFile and LoadImage, whose
// results must agree with the promises the in-memory target checks. Slower
// (one file write per input), so it keeps the file path covered rather than
// exploring the reader.
#include <cstdint>
#include <cstdio>
#include <cstdlib>
#include <filesystem>
#include <fstream>
#include <memory>
#include <string>

#include <unistd.h>

#include <pixolan/analysis/TCPxIO.h>
#include <pixolan/model/TCPx8bitImage.h>
#include <pixolan/model/TCPxFloatImage.h>

#include "FuzzInput.h"
#include "FuzzRawFileChecks.h"

namespace
{
// In memory-backed /dev/shm where there is one: a disk file's truncate and
// write cost forty times the read under test.
std::filesystem::path ScratchDirectory()
{
  std::error_code ec;
  if (!std::getenv("TMPDIR") && std::filesystem::is_directory("/dev/shm", ec) && ::access("/dev/shm", W_OK) == 0)
    return "/dev/shm";
  return std::filesystem::temp_directory_path();
}

const std::filesystem::path& ScratchFile()
{
  static const std::filesystem::path path =
    ScratchDirectory() / ("pixolan-fuzz-" + std::to_string(::getpid()) + ".rwf");
  return path;
}

struct RemoveAtExit
{
  ~RemoveAtExit()
  {
    std::error_code ec;
    std::filesystem::remove(ScratchFile(), ec);
  }
} g_removeAtExit;
} // namespace

extern "C" int LLVMFuzzerTestOneInput(const std::uint8_t* data, std::size_t size)
{
  const std::filesystem::path& path = ScratchFile();
  {
    std::ofstream out(path, std::ios::binary | std::ios::trunc);
    out.write(reinterpret_cast<const char*>(data), static_cast<std::streamsize>(size));
    if (!out.flush())
      FuzzFail("cannot write the scratch file");
  }
  std::unique_ptr<TCPxImageBase> image(TCPxIO::CreateImageFromFile(path));
  CheckCreated(image.get(), data, size);

  std::int32_t width = 2;
  std::int32_t height = 2;
  if (size >= 8)
  {
    width = HeaderField(data, 0);
    height = HeaderField(data, 4);
  }
  if (width <= 0 || height <= 0 || width > 256 || height > 256)
    width = height = 2;
  TCPxFloatImage target(width, height);
  FillPattern(&target);
  CheckLoaded(&target, TCPxIO::LoadImage(&target, path), data, size);
  return 0;
}
