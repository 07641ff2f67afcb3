#pragma once
#include <string>

#include <general/GenExport.h>

namespace Gen
{
/// Wide string (Unicode code points) to UTF-8. Invalid code points (surrogates,
/// values above U+10FFFF) become U+FFFD.
GEN_EXPORT std::string convert(const std::wstring& text);
/// UTF-8 to wide string. Malformed sequences become U+FFFD, one per bad byte.
GEN_EXPORT std::wstring convert(const std::string& text);
/// Wide to narrow (UTF-8) string, for file names handed to OpenCV.
GEN_EXPORT std::string convert2nstringa(const std::wstring& text);
} // namespace Gen
