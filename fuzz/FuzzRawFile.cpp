// Raw image files read from memory: the input is the file. An accepted file
// becomes a float image of its header's size holding the bytes after the
// header; loading into an existing image either fills its whole buffer with
// those bytes or leaves it unchanged.
#include <cstdint>
#include <cstring>
#include <memory>
#include <sstream>
#include <string>

#include <pixolan/model/TCPx24bitImage.h>
#include <pixolan/model/TCPx32bitImage.h>
#include <pixolan/model/TCPx8bitImage.h>
#include <pixolan/model/TCPxFloatImage.h>

#include "FuzzInput.h"
#include "FuzzRawFileChecks.h"
#include "PxRawFile.h"

extern "C" int LLVMFuzzerTestOneInput(const std::uint8_t* data, std::size_t size)
{
  const std::string bytes(reinterpret_cast<const char*>(data), size);
  std::istringstream created(bytes);
  std::unique_ptr<TCPxImageBase> image(PxRawFile::CreateImage(created));
  CheckCreated(image.get(), data, size);

  // Loading needs an image of the header's size; a small one is made for any
  // small header, of each pixel type.
  if (size < 8)
  {
    std::istringstream in(bytes);
    TCPx8bitImage target(2, 2);
    FillPattern(&target);
    CheckLoaded(&target, PxRawFile::LoadImage(&target, in), data, size);
    return 0;
  }
  std::int32_t width = 0;
  std::int32_t height = 0;
  std::memcpy(&width, data, 4);
  std::memcpy(&height, data + 4, 4);
  if (width <= 0 || height <= 0 || width > 256 || height > 256)
    return 0;
  const int type = size > 8 ? data[8] % 4 : 0;
  std::unique_ptr<TCPxImageBase> target;
  switch (type)
  {
  case 0: target = std::make_unique<TCPx8bitImage>(width, height); break;
  case 1: target = std::make_unique<TCPx24bitImage>(width, height); break;
  case 2: target = std::make_unique<TCPx32bitImage>(width, height); break;
  default: target = std::make_unique<TCPxFloatImage>(width, height); break;
  }
  FillPattern(target.get());
  std::istringstream in(bytes);
  CheckLoaded(target.get(), PxRawFile::LoadImage(target.get(), in), data, size);
  return 0;
}
