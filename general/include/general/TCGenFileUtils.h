#pragma once
#include <string>

#include <general/GenExport.h>

/// Path helpers over wide strings. Paths are split at '/' (and '\\', so that
/// paths written on Windows still split); wide strings hold Unicode code points
/// and are converted to UTF-8 for the file system.
class GEN_EXPORT TCGenFileUtils
{
public:
  /// Extension of the last path component without the dot ("a/b.rwf" -> "rwf");
  /// empty when there is none. A leading dot (".profile") is not an extension.
  static std::wstring ExtractExtension(const std::wstring& path);
  /// Everything before the last separator, without it ("a/b/c.png" -> "a/b");
  /// "/" for a file in the root, empty when there is no separator.
  static std::wstring ExtractDirectory(const std::wstring& path);
  /// The last path component ("a/b/c.png" -> "c.png").
  static std::wstring ExtractFileName(const std::wstring& path);
  /// Creates the directory and any missing parents. True when it exists afterwards.
  static bool Create_Directory(const std::wstring& path);
  /// True when `path` names an existing directory.
  static bool DirectoryExists(const std::wstring& path);
  /// True when `path` names an existing regular file; with `allowDirectory`
  /// an existing directory counts as well.
  static bool FileExists(const std::wstring& path, bool allowDirectory = false);
};
