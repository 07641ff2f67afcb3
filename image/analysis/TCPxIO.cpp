#include <pixolan/analysis/TCPxIO.h>

#include <cstring>
#include <fstream>
#include <memory>
#include <stdexcept>
#include <system_error>

#include <opencv2/core.hpp>
#include <opencv2/imgcodecs.hpp>

#include <general/GenConvert.h>
#include <general/TCGenFileUtils.h>
#include <pixolan/model/TCPx24bitImage.h>
#include <pixolan/model/TCPx32bitImage.h>
#include <pixolan/model/TCPx8bitImage.h>
#include <pixolan/model/TCPxImageBase.h>

#include "rawfile/PxRawFile.h"

namespace fs = std::filesystem;

namespace
{
const wchar_t* const kRawExtension = L"rwf";

bool IsRawPath(const std::wstring& path)
{
  return TCGenFileUtils::ExtractExtension(path) == kRawExtension;
}

fs::path ToFsPath(const std::wstring& path)
{
  return fs::path(Gen::convert(path));
}

std::wstring ToWide(const fs::path& path)
{
  return Gen::convert(path.string());
}

unsigned char* MutableBuffer(TCPxImageBase* image)
{
  return static_cast<unsigned char*>(const_cast<void*>(image->GetBuffer()));
}

/// Switches the process's current directory to `directory` for its lifetime
/// and restores the previous one on every exit, exceptions included. When the
/// switch is impossible the codec call gets the full path instead.
class CurrentDirectoryScope
{
public:
  explicit CurrentDirectoryScope(const std::wstring& path)
  {
    const std::wstring directory = TCGenFileUtils::ExtractDirectory(path);
    m_name = Gen::convert(path);
    if (directory.empty())
      return;
    std::error_code ec;
    m_previous = fs::current_path(ec);
    if (ec)
      return;
    fs::current_path(ToFsPath(directory), ec);
    if (ec)
      return;
    m_switched = true;
    m_name = Gen::convert(TCGenFileUtils::ExtractFileName(path));
  }
  ~CurrentDirectoryScope()
  {
    if (m_switched)
    {
      std::error_code ec;
      fs::current_path(m_previous, ec);
    }
  }
  CurrentDirectoryScope(const CurrentDirectoryScope&) = delete;
  CurrentDirectoryScope& operator=(const CurrentDirectoryScope&) = delete;

  /// The name to hand to the codec: the file name after a switch, else the path.
  const std::string& Name() const { return m_name; }

private:
  fs::path m_previous;
  std::string m_name;
  bool m_switched = false;
};

cv::Mat ReadCodecFile(const std::wstring& path, int flags)
{
  CurrentDirectoryScope scope(path);
  return cv::imread(scope.Name(), flags);
}

TCPxImageBase* CreateFromRawFile(const std::wstring& path)
{
  std::ifstream file(ToFsPath(path), std::ios::binary);
  return file ? PxRawFile::CreateImage(file) : nullptr;
}

bool LoadRawFile(TCPxImageBase* image, const std::wstring& path)
{
  std::ifstream file(ToFsPath(path), std::ios::binary);
  return file && PxRawFile::LoadImage(image, file);
}

bool SaveRawFile(const TCPxImageBase& image, const std::wstring& path)
{
  const int bytes = image.GetBufferSize();
  if (bytes <= 0 || !image.GetBuffer())
    return false;
  std::ofstream file(ToFsPath(path), std::ios::binary | std::ios::trunc);
  if (!file)
    return false;
  const std::int32_t header[2] = {image.GetWidth(), image.GetHeight()};
  file.write(reinterpret_cast<const char*>(header), sizeof(header));
  file.write(static_cast<const char*>(image.GetBuffer()), bytes);
  file.close();
  return !file.fail();
}

TCPxImageBase* CreateFromCodecFile(const std::wstring& path)
{
  if (!TCGenFileUtils::FileExists(path))
    return nullptr;
  // Unchanged first, so that an alpha channel survives and two-channel files
  // are recognised; deeper samples are decoded again, reduced to 8 bits.
  cv::Mat decoded = ReadCodecFile(path, cv::IMREAD_UNCHANGED);
  if (!decoded.empty() && decoded.depth() != CV_8U)
    decoded = ReadCodecFile(path, cv::IMREAD_ANYCOLOR);
  if (decoded.empty() || decoded.depth() != CV_8U || decoded.dims != 2)
    return nullptr;

  std::unique_ptr<TCPxImageBase> image;
  try
  {
    switch (decoded.channels())
    {
    case 1: image = std::make_unique<TCPx8bitImage>(decoded.cols, decoded.rows); break;
    case 3: image = std::make_unique<TCPx24bitImage>(decoded.cols, decoded.rows); break;
    case 4: image = std::make_unique<TCPx32bitImage>(decoded.cols, decoded.rows); break;
    default: return nullptr;
    }
  }
  catch (const std::exception&)
  {
    return nullptr;
  }

  const std::size_t rowBytes = decoded.elemSize() * static_cast<std::size_t>(decoded.cols);
  unsigned char* target = MutableBuffer(image.get());
  const std::size_t stride = static_cast<std::size_t>(image->GetStepSize());
  if (decoded.isContinuous() && decoded.step[0] == stride)
    std::memcpy(target, decoded.data, stride * static_cast<std::size_t>(decoded.rows));
  else
    for (int y = 0; y < decoded.rows; ++y)
      std::memcpy(target + stride * static_cast<std::size_t>(y), decoded.ptr(y), rowBytes);
  return image.release();
}

bool LoadCodecFile(TCPxImageBase* image, const std::wstring& path)
{
  const std::shared_ptr<cv::Mat> view = image->GetFullMatPtr();
  if (!view || view->empty() || !TCGenFileUtils::FileExists(path))
    return false;
  const int flags = image->GetNrChannels() == 1 ? cv::IMREAD_ANYDEPTH : cv::IMREAD_UNCHANGED;
  const cv::Mat decoded = ReadCodecFile(path, flags);
  // Equal type and size: copyTo then writes into the image's own pixels
  // instead of re-pointing the view at fresh memory.
  if (decoded.empty() || decoded.type() != view->type() || decoded.rows != view->rows ||
      decoded.cols != view->cols)
    return false;
  decoded.copyTo(*view);
  return true;
}

bool SaveCodecFile(const TCPxImageBase& image, const std::wstring& path)
{
  const std::shared_ptr<cv::Mat> view = image.GetFullMatPtr();
  if (!view || view->empty())
    return false;
  CurrentDirectoryScope scope(path);
  return cv::imwrite(scope.Name(), *view);
}
} // namespace

TCPxImageBase* TCPxIO::CreateImageFromFile(const std::wstring& path)
{
  return IsRawPath(path) ? CreateFromRawFile(path) : CreateFromCodecFile(path);
}

TCPxImageBase* TCPxIO::CreateImageFromFile(const std::filesystem::path& path)
{
  return CreateImageFromFile(ToWide(path));
}

TCPxImageBase* TCPxIO::CreateImageFromFile(const wchar_t* path)
{
  return path ? CreateImageFromFile(std::wstring(path)) : nullptr;
}

bool TCPxIO::LoadImage(TCPxImageBase* image, const std::wstring& path)
{
  if (!image)
    return false;
  return IsRawPath(path) ? LoadRawFile(image, path) : LoadCodecFile(image, path);
}

bool TCPxIO::LoadImage(TCPxImageBase* image, const std::filesystem::path& path)
{
  return LoadImage(image, ToWide(path));
}

bool TCPxIO::LoadImage(TCPxImageBase* image, const wchar_t* path)
{
  return path ? LoadImage(image, std::wstring(path)) : false;
}

bool TCPxIO::SaveImage(const TCPxImageBase& image, const std::wstring& path)
{
  const std::wstring directory = TCGenFileUtils::ExtractDirectory(path);
  if (!directory.empty() && !TCGenFileUtils::DirectoryExists(directory) &&
      !TCGenFileUtils::Create_Directory(directory))
    return false;
  return IsRawPath(path) ? SaveRawFile(image, path) : SaveCodecFile(image, path);
}

bool TCPxIO::SaveImage(const TCPxImageBase& image, const std::filesystem::path& path)
{
  return SaveImage(image, ToWide(path));
}

bool TCPxIO::SaveImage(const TCPxImageBase& image, const wchar_t* path)
{
  return path ? SaveImage(image, std::wstring(path)) : false;
}
