// The contour's curvature and its geometric transformations.
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

namespace
{
using namespace pxcontour;

// acos(j / 500 - 1) for j = 0 ... 1000: the curvature scheme looks the
// turning angle up instead of calling acos per vertex. Filled at load.
const std::array<double, 1001> kAcosTable = [] {
  std::array<double, 1001> t{};
  for (int j = 0; j <= 1000; ++j)
    t[static_cast<std::size_t>(j)] = std::acos(j / 500.0 - 1.0);
  return t;
}();

int SaturateInt(std::int64_t v)
{
  return static_cast<int>(std::clamp<std::int64_t>(v, INT_MIN, INT_MAX));
}

cv::Point Offset(const cv::Point& p, std::int64_t dx, std::int64_t dy)
{
  return cv::Point(SaturateInt(p.x + dx), SaturateInt(p.y + dy));
}
} // namespace

// ---- curvature ---------------------------------------------------------------------

int TCPxContour::GetCurvOffset() const
{
  return std::max(3, TCGenMathUtils::Round(GetSize() / 9.0));
}

double TCPxContour::GetCurvature(int i) const
{
  const int n = GetSize();
  const int k = GetCurvOffset();
  if (n < 2 * k)
    return kNaN;
  const cv::Point& p = *PointAt(i);
  const int ia = (WrapIndex(i) - k + n) % n; // k <= n / 2, so this stays in range
  const int ib = static_cast<int>((static_cast<std::int64_t>(WrapIndex(i)) + k) % n);
  const cv::Point& a = m_points[static_cast<std::size_t>(ia)];
  const cv::Point& b = m_points[static_cast<std::size_t>(ib)];
  const double ux = static_cast<double>(p.x) - a.x, uy = static_cast<double>(p.y) - a.y;
  const double vx = static_cast<double>(b.x) - p.x, vy = static_cast<double>(b.y) - p.y;
  const double wx = static_cast<double>(b.x) - a.x, wy = static_cast<double>(b.y) - a.y;
  const double u2 = ux * ux + uy * uy;
  const double v2 = vx * vx + vy * vy;
  if (u2 == 0.0 || v2 == 0.0)
    return kNaN;
  const double c = std::clamp((v2 + u2 - (wx * wx + wy * wy)) / (2.0 * std::sqrt(u2) * std::sqrt(v2)), -1.0, 1.0);
  const double theta = kPi - kAcosTable[static_cast<std::size_t>(TCGenMathUtils::Round((c + 1.0) * 500.0))];
  return ux * vy - uy * vx < 0 ? -theta : theta;
}

double TCPxContour::GetCurvature(const TCGenPoint<int>& p) const
{
  const int i = IndexOf(p);
  return i < 0 ? DBL_MAX : GetCurvature(i);
}

double TCPxContour::GetBendingEnergy() const
{
  const int n = GetSize();
  double sum = 0.0;
  int counted = 0;
  for (int i = 0; i < n; ++i)
  {
    const double c = GetCurvature(i);
    if (std::isnan(c))
      continue;
    sum += c * c;
    ++counted;
  }
  return counted == 0 ? kNaN : sum / counted;
}

TCGenPoint<int> TCPxContour::GetMaxCurvPoint() const
{
  const int n = GetSize();
  int best = -1;
  double bestC = DBL_MAX;
  for (int i = 0; i < n; ++i)
  {
    const double c = GetCurvature(i);
    if (c < bestC)
    {
      bestC = c;
      best = i;
    }
  }
  return best < 0 ? TCGenPoint<int>(-1, -1) : ToGen(m_points[static_cast<std::size_t>(best)]);
}

TCGenPoint<int> TCPxContour::GetMaxCurvaturePointWithinDistance(const TCGenPoint<double>& p, double r) const
{
  const int n = GetSize();
  const double r2 = r * r;
  int best = -1;
  double bestC = DBL_MAX;
  for (int i = 0; i < n; ++i)
  {
    const cv::Point& v = m_points[static_cast<std::size_t>(i)];
    const double dx = v.x - p.GetX();
    const double dy = v.y - p.GetY();
    if (!(dx * dx + dy * dy < r2))
      continue;
    const double c = GetCurvature(i);
    if (c < bestC)
    {
      bestC = c;
      best = i;
    }
  }
  return best < 0 ? TCGenPoint<int>(-1, -1) : ToGen(m_points[static_cast<std::size_t>(best)]);
}

double TCPxContour::GetDirection(const TCGenPoint<int>& p) const
{
  const int n = GetSize();
  if (n == 0)
    return kNaN;
  int index = IndexOf(p);
  if (index < 0)
    index = IndexOf(PointNearestTo(p));
  const int k = GetCurvOffset();
  if (n < 2 * k)
    return kNaN;
  const double kappa = GetCurvature(index);
  const cv::Point& v = m_points[static_cast<std::size_t>(index)];
  const cv::Point& f = *PointAt(static_cast<int>((static_cast<std::int64_t>(index) + k) % n));
  double d = std::atan2(static_cast<double>(f.y) - v.y, static_cast<double>(f.x) - v.x) - kappa / 2.0 + kPi / 2.0;
  if (d < 0.0)
    d += 2.0 * kPi;
  if (d >= 2.0 * kPi)
    d -= 2.0 * kPi;
  return d;
}

// ---- transformations ---------------------------------------------------------------

void TCPxContour::Translate2(const TCGenPoint<double>& d)
{
  const TCGenPoint<int> r = TCPxConversion::RoundPoint(d);
  for (cv::Point& p : m_points)
    p = Offset(p, -static_cast<std::int64_t>(r.GetX()), -static_cast<std::int64_t>(r.GetY()));
  RefreshMoments();
}

void TCPxContour::Translate2COG()
{
  if (m_points.empty())
    return;
  Translate2(GetCOG());
}

void TCPxContour::MoveTo(const TCGenPoint<double>& target)
{
  if (m_points.empty())
    return;
  const TCGenPoint<double> cog = GetCOG();
  const int dx = TCGenMathUtils::Round(target.GetX() - cog.GetX());
  const int dy = TCGenMathUtils::Round(target.GetY() - cog.GetY());
  for (cv::Point& p : m_points)
    p = Offset(p, dx, dy);
  RefreshMoments();
}

void TCPxContour::Rotate(const TCGenPoint<double>& centre, double angle)
{
  const double c = std::cos(angle);
  const double s = std::sin(angle);
  const double cx = centre.GetX();
  const double cy = centre.GetY();
  for (cv::Point& p : m_points)
  {
    const double dx = p.x - cx;
    const double dy = p.y - cy;
    p = cv::Point(TruncToInt(cx + dx * c - dy * s), TruncToInt(cy + dy * c + dx * s));
  }
  RefreshMoments();
}

void TCPxContour::Rotate(double angle)
{
  if (m_points.empty())
    return;
  if (!m_moments)
    CreateMoments();
  Rotate(GetCOG(), angle);
}

void TCPxContour::CorrectForROI()
{
  const int left = m_roi.GetLeft();
  const int top = m_roi.GetTop();
  if (left != 0 || top != 0)
  {
    for (cv::Point& p : m_points)
      p = Offset(p, left, top);
  }
  m_roi = TCGenRect<int>();
  RefreshMoments();
}
