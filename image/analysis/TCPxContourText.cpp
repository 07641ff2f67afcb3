// The contour's text form.
#include <pixolan/analysis/TCPxContour.h>

#include <algorithm>
#include <array>
#include <cctype>
#include <cfloat>
#include <charconv>
#include <climits>
#include <cmath>
#include <cstdint>
#include <istream>
#include <optional>
#include <ostream>
#include <set>
#include <string>
#include <utility>

#include <opencv2/core.hpp>
#include <opencv2/imgproc.hpp>

#include <general/TCGenMathUtils.h>
#include <pixolan/model/TCPxConversion.h>

#include "PxContourSupport.h"
#include "PxMomentRules.h"

// ---- text form ---------------------------------------------------------------------

std::ostream& operator<<(std::ostream& os, const TCPxContour& contour)
{
  TCPxContour::TDftCoefs X, Y;
  contour.GetXYDftCoefs(&X, &Y);
  for (const TCPxContour::TDftCoefs* c : {&X, &Y})
  {
    const int n = static_cast<int>(c->size());
    const int h = (n + 1) / 2;
    os << h << ';' << n << ';';
    for (int k = 0; k < h; ++k)
      os << (*c)[static_cast<std::size_t>(k)].real() << ';' << (*c)[static_cast<std::size_t>(k)].imag() << ';';
  }
  return os;
}

namespace
{
// Longest field the reader accepts: far more than any number the writer
// produces, and a bound on what one missing delimiter can make it buffer.
constexpr std::size_t kMaxFieldLength = 64;

// Reads one ';'-terminated number. Fails on a missing delimiter, an
// over-long or empty field, trailing garbage and non-finite values.
bool ReadField(std::streambuf* buf, double* value)
{
  char field[kMaxFieldLength + 1];
  std::size_t len = 0;
  for (;;)
  {
    const int ch = buf->sbumpc();
    if (ch == std::char_traits<char>::eof())
      return false;
    if (ch == ';')
      break;
    if (len == kMaxFieldLength)
      return false;
    field[len++] = static_cast<char>(ch);
  }
  const char* begin = field;
  const char* end = field + len;
  while (begin < end && std::isspace(static_cast<unsigned char>(*begin)))
    ++begin;
  while (end > begin && std::isspace(static_cast<unsigned char>(end[-1])))
    --end;
  if (begin < end && *begin == '+')
    ++begin;
  if (begin == end)
    return false;
  double v = 0.0;
  const std::from_chars_result r = std::from_chars(begin, end, v);
  if (r.ec != std::errc() || r.ptr != end || !std::isfinite(v))
    return false;
  *value = v;
  return true;
}

bool ReadCount(std::streambuf* buf, int* count)
{
  double v = 0.0;
  if (!ReadField(buf, &v) || v < 0.0 || v > TCPxContour::ms_maxTextCoefs || v != std::floor(v))
    return false;
  *count = static_cast<int>(v);
  return true;
}

// One coordinate's spectrum: h, N, h (real, imaginary) pairs, completed to N
// entries with the complex conjugates of entries h - 1, h - 2, ...
bool ReadSpectrum(std::streambuf* buf, TCPxContour::TDftCoefs* c)
{
  int h = 0, n = 0;
  if (!ReadCount(buf, &h) || !ReadCount(buf, &n))
    return false;
  // The completion mirrors the h given entries, so it needs N / 2 <= h <= N.
  if (h > n || 2 * static_cast<std::int64_t>(h) < n)
    return false;
  c->clear();
  for (int k = 0; k < h; ++k)
  {
    double re = 0.0, im = 0.0;
    if (!ReadField(buf, &re) || !ReadField(buf, &im))
      return false;
    if (std::fabs(re) > FLT_MAX || std::fabs(im) > FLT_MAX)
      return false;
    c->emplace_back(static_cast<float>(re), static_cast<float>(im));
  }
  for (int k = h - 1; static_cast<int>(c->size()) < n; --k)
    c->push_back(std::conj((*c)[static_cast<std::size_t>(k)]));
  return true;
}
} // namespace

std::istream& operator>>(std::istream& is, TCPxContour& contour)
{
  const std::istream::sentry sentry(is, false); // skips leading white space
  if (!sentry)
    return is;
  std::streambuf* buf = is.rdbuf();
  TCPxContour::TDftCoefs X, Y;
  if (!buf || !ReadSpectrum(buf, &X) || !ReadSpectrum(buf, &Y) || X.size() != Y.size())
  {
    is.setstate(std::ios_base::failbit);
    return is;
  }
  contour.ReconstructFromXYDftCoefs(X, Y);
  contour.CreateMoments();
  return is;
}
