#include <general/GenConvert.h>
#include <general/TCGenFileUtils.h>

#include <filesystem>
#include <system_error>

namespace fs = std::filesystem;

namespace
{
bool IsSeparator(wchar_t c)
{
  return c == L'/' || c == L'\\';
}

std::size_t LastSeparator(const std::wstring& path)
{
  return path.find_last_of(L"/\\");
}

fs::path ToFsPath(const std::wstring& path)
{
  // Build the path from UTF-8 bytes: on Linux the file system takes names as bytes.
  return fs::path(Gen::convert(path));
}
} // namespace

std::wstring TCGenFileUtils::ExtractExtension(const std::wstring& path)
{
  const std::wstring name = ExtractFileName(path);
  const std::size_t dot = name.find_last_of(L'.');
  if (dot == std::wstring::npos || dot == 0)
    return std::wstring();
  return name.substr(dot + 1);
}

std::wstring TCGenFileUtils::ExtractDirectory(const std::wstring& path)
{
  const std::size_t sep = LastSeparator(path);
  if (sep == std::wstring::npos)
    return std::wstring();
  if (sep == 0)
    return path.substr(0, 1);
  return path.substr(0, sep);
}

std::wstring TCGenFileUtils::ExtractFileName(const std::wstring& path)
{
  const std::size_t sep = LastSeparator(path);
  if (sep == std::wstring::npos)
    return path;
  return path.substr(sep + 1);
}

bool TCGenFileUtils::Create_Directory(const std::wstring& path)
{
  if (path.empty())
    return false;
  std::error_code ec;
  const fs::path p = ToFsPath(path);
  fs::create_directories(p, ec);
  return fs::is_directory(p, ec);
}

bool TCGenFileUtils::DirectoryExists(const std::wstring& path)
{
  if (path.empty())
    return false;
  std::error_code ec;
  return fs::is_directory(ToFsPath(path), ec);
}

bool TCGenFileUtils::FileExists(const std::wstring& path, bool allowDirectory)
{
  if (path.empty() || IsSeparator(path.back()))
    return allowDirectory && DirectoryExists(path);
  std::error_code ec;
  const fs::path p = ToFsPath(path);
  if (fs::is_regular_file(p, ec))
    return true;
  return allowDirectory && fs::is_directory(p, ec);
}
