#include <general/GenConvert.h>

namespace
{
constexpr char32_t kReplacement = 0xFFFD;

void AppendUtf8(std::string& out, char32_t cp)
{
  if ((cp >= 0xD800 && cp <= 0xDFFF) || cp > 0x10FFFF)
    cp = kReplacement;
  if (cp < 0x80)
  {
    out.push_back(static_cast<char>(cp));
  }
  else if (cp < 0x800)
  {
    out.push_back(static_cast<char>(0xC0 | (cp >> 6)));
    out.push_back(static_cast<char>(0x80 | (cp & 0x3F)));
  }
  else if (cp < 0x10000)
  {
    out.push_back(static_cast<char>(0xE0 | (cp >> 12)));
    out.push_back(static_cast<char>(0x80 | ((cp >> 6) & 0x3F)));
    out.push_back(static_cast<char>(0x80 | (cp & 0x3F)));
  }
  else
  {
    out.push_back(static_cast<char>(0xF0 | (cp >> 18)));
    out.push_back(static_cast<char>(0x80 | ((cp >> 12) & 0x3F)));
    out.push_back(static_cast<char>(0x80 | ((cp >> 6) & 0x3F)));
    out.push_back(static_cast<char>(0x80 | (cp & 0x3F)));
  }
}
} // namespace

namespace Gen
{
std::string convert(const std::wstring& text)
{
  std::string out;
  out.reserve(text.size());
  for (std::size_t i = 0; i < text.size(); ++i)
  {
    char32_t cp = static_cast<char32_t>(text[i]);
    if constexpr (sizeof(wchar_t) == 2)
    {
      // UTF-16 platforms: join surrogate pairs.
      if (cp >= 0xD800 && cp <= 0xDBFF && i + 1 < text.size())
      {
        const char32_t lo = static_cast<char32_t>(text[i + 1]);
        if (lo >= 0xDC00 && lo <= 0xDFFF)
        {
          cp = 0x10000 + ((cp - 0xD800) << 10) + (lo - 0xDC00);
          ++i;
        }
      }
    }
    AppendUtf8(out, cp);
  }
  return out;
}

std::wstring convert(const std::string& text)
{
  std::wstring out;
  out.reserve(text.size());
  const auto* s = reinterpret_cast<const unsigned char*>(text.data());
  const std::size_t n = text.size();
  std::size_t i = 0;
  while (i < n)
  {
    const unsigned char c = s[i];
    int extra = 0;
    char32_t cp = 0;
    char32_t minimum = 0;
    if (c < 0x80)
    {
      out.push_back(static_cast<wchar_t>(c));
      ++i;
      continue;
    }
    if ((c & 0xE0) == 0xC0)
    {
      extra = 1;
      cp = c & 0x1F;
      minimum = 0x80;
    }
    else if ((c & 0xF0) == 0xE0)
    {
      extra = 2;
      cp = c & 0x0F;
      minimum = 0x800;
    }
    else if ((c & 0xF8) == 0xF0)
    {
      extra = 3;
      cp = c & 0x07;
      minimum = 0x10000;
    }
    else
    {
      out.push_back(static_cast<wchar_t>(kReplacement));
      ++i;
      continue;
    }
    bool ok = i + static_cast<std::size_t>(extra) < n;
    for (int k = 1; ok && k <= extra; ++k)
    {
      const unsigned char cc = s[i + k];
      if ((cc & 0xC0) != 0x80)
        ok = false;
      else
        cp = (cp << 6) | (cc & 0x3F);
    }
    if (!ok || cp < minimum || cp > 0x10FFFF || (cp >= 0xD800 && cp <= 0xDFFF))
    {
      out.push_back(static_cast<wchar_t>(kReplacement));
      ++i;
      continue;
    }
    if constexpr (sizeof(wchar_t) == 2)
    {
      if (cp >= 0x10000)
      {
        cp -= 0x10000;
        out.push_back(static_cast<wchar_t>(0xD800 + (cp >> 10)));
        out.push_back(static_cast<wchar_t>(0xDC00 + (cp & 0x3FF)));
      }
      else
      {
        out.push_back(static_cast<wchar_t>(cp));
      }
    }
    else
    {
      out.push_back(static_cast<wchar_t>(cp));
    }
    i += static_cast<std::size_t>(extra) + 1;
  }
  return out;
}

std::string convert2nstringa(const std::wstring& text)
{
  return convert(text);
}
} // namespace Gen
