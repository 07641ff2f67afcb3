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

// A double converted to single precision without leaving the float range.
float ToFloat(double v)
{
  if (std::isnan(v))
    return std::numeric_limits<float>::quiet_NaN();
  return static_cast<float>(std::clamp(v, -static_cast<double>(FLT_MAX), static_cast<double>(FLT_MAX)));
}

double DistSqr(const cv::Point& a, const cv::Point& b)
{
  const double dx = static_cast<double>(a.x) - b.x;
  const double dy = static_cast<double>(a.y) - b.y;
  return dx * dx + dy * dy;
}

TCPxContour::TRotatedBox BoxSentinel()
{
  return TCPxContour::TRotatedBox(TCGenPoint<double>(-1.0, -1.0), TCGenSize<int>(0, 0), 0.0);
}

TCPxContour::TRotatedBox ToBox(const cv::RotatedRect& r)
{
  return TCPxContour::TRotatedBox(TCGenPoint<double>(r.center.x, r.center.y),
                                  TCGenSize<int>(TruncToInt(r.size.width), TruncToInt(r.size.height)),
                                  r.angle * kPi / 180.0);
}

// Hull indices (clockwise) and the defects OpenCV finds for them. OpenCV
// rejects some outlines (self-touching ones, collinear hulls) with an
// exception; such an outline has no defects.
std::vector<cv::Vec4i> FindDefects(const std::vector<cv::Point>& points)
{
  std::vector<cv::Vec4i> defects;
  if (points.size() < 4)
    return defects;
  try
  {
    std::vector<int> hull;
    cv::convexHull(points, hull, true, false);
    cv::convexityDefects(points, hull, defects);
  }
  catch (const cv::Exception&)
  {
    defects.clear();
  }
  return defects;
}

} // namespace

// ---- construction ------------------------------------------------------------------

TCPxContour::TCPxContour() = default;

TCPxContour::TCPxContour(const std::vector<cv::Point>& points, const TCGenRect<int>& roi)
    : m_roi(roi), m_points(points)
{
}

TCPxContour::TCPxContour(std::vector<cv::Point>&& points, const TCGenRect<int>& roi)
    : m_roi(roi), m_points(std::move(points))
{
}

TCPxContour::TCPxContour(const TCPxContour& other)
    : m_moments(other.m_moments ? std::make_unique<cv::Moments>(*other.m_moments) : nullptr), m_roi(other.m_roi),
      m_points(other.m_points)
{
}

TCPxContour::TCPxContour(TCPxContour&& other) noexcept
    : m_moments(std::move(other.m_moments)), m_roi(other.m_roi), m_points(std::move(other.m_points))
{
  other.m_points.clear();
  other.m_roi = TCGenRect<int>(0, 0, 1, 1);
}

TCPxContour::~TCPxContour() = default;

TCPxContour& TCPxContour::operator=(const TCPxContour& other)
{
  if (this == &other)
    return *this;
  // Copy first so that a failed allocation leaves this contour as it was.
  std::unique_ptr<cv::Moments> moments = other.m_moments ? std::make_unique<cv::Moments>(*other.m_moments) : nullptr;
  m_points = other.m_points;
  m_moments = std::move(moments);
  m_roi = other.m_roi;
  return *this;
}

TCPxContour& TCPxContour::operator=(TCPxContour&& other) noexcept
{
  m_moments.reset();
  m_roi = TCGenRect<int>();
  m_points.clear();
  std::swap(m_moments, other.m_moments);
  std::swap(m_roi, other.m_roi);
  if (this != &other)
    m_points.swap(other.m_points);
  return *this;
}

bool TCPxContour::operator==(const TCPxContour& other) const
{
  return m_roi.GetTopLeft() == other.m_roi.GetTopLeft() && m_points == other.m_points;
}

// ---- access ------------------------------------------------------------------------

int TCPxContour::GetSize() const { return static_cast<int>(m_points.size()); }

int TCPxContour::WrapIndex(int i) const
{
  const int n = GetSize();
  const int r = i % n; // in (-n, n)
  return r < 0 ? r + n : r;
}

const cv::Point* TCPxContour::PointAt(int i) const
{
  if (m_points.empty())
    return nullptr;
  return &m_points[static_cast<std::size_t>(WrapIndex(i))];
}

TCGenPoint<int> TCPxContour::GetPoint(int i) const
{
  const cv::Point* p = PointAt(i);
  return p ? ToGen(*p) : TCGenPoint<int>(-1, -1);
}

int TCPxContour::IndexOf(const TCGenPoint<int>& p) const
{
  const cv::Point q(p.GetX(), p.GetY());
  const auto it = std::find(m_points.begin(), m_points.end(), q);
  return it == m_points.end() ? -1 : static_cast<int>(it - m_points.begin());
}

// ---- measurements ------------------------------------------------------------------

double TCPxContour::GetArea() const
{
  if (m_points.empty())
    return 0.0;
  return std::fabs(cv::contourArea(m_points, false)) + static_cast<double>(m_points.size()) * 0.5 + 1.0;
}

double TCPxContour::GetPerimeter() const
{
  return m_points.empty() ? 0.0 : cv::arcLength(m_points, true);
}

TCGenRect<int> TCPxContour::GetBoundingRect() const
{
  if (m_points.empty())
    return TCGenRect<int>();
  const cv::Rect r = cv::boundingRect(m_points);
  return TCGenRect<int>(r.x, r.y, r.x + r.width, r.y + r.height);
}

std::vector<TCGenPoint<int>> TCPxContour::GetPointsOnBoundingRect() const
{
  std::vector<TCGenPoint<int>> result;
  const TCGenRect<int> r = GetBoundingRect();
  for (const cv::Point& p : m_points)
  {
    if (p.x == r.GetLeft() || static_cast<std::int64_t>(p.x) + 1 == r.GetRight() || p.y == r.GetTop() ||
        static_cast<std::int64_t>(p.y) + 1 == r.GetBottom())
      result.push_back(ToGen(p));
  }
  return result;
}

void TCPxContour::CreateMoments() const
{
  auto moments = std::make_unique<cv::Moments>();
  if (!m_points.empty())
    *moments = cv::moments(m_points, false);
  m_moments = std::move(moments);
}

void TCPxContour::RefreshMoments()
{
  if (m_moments)
    CreateMoments();
}

cv::Moments TCPxContour::GetMoments() const
{
  if (!m_moments)
    CreateMoments();
  return *m_moments;
}

TCGenPoint<double> TCPxContour::GetCOG() const
{
  if (!m_moments)
    CreateMoments();
  if (m_points.empty())
    return TCGenPoint<double>(-1.0, -1.0);
  const cv::Moments& m = *m_moments;
  if (m.m00 != 0.0)
    return TCGenPoint<double>(m.m10 / m.m00, m.m01 / m.m00);
  // Degenerate outline (a line, a point): the mean of the points.
  std::int64_t sx = 0, sy = 0;
  for (const cv::Point& p : m_points)
  {
    sx += p.x;
    sy += p.y;
  }
  const double n = static_cast<double>(m_points.size());
  return TCGenPoint<double>(static_cast<double>(sx) / n, static_cast<double>(sy) / n);
}

TCGenPoint<double> TCPxContour::GetCorrectedCOG() const
{
  if (m_points.empty())
    return TCGenPoint<double>(-1.0, -1.0);
  const TCGenPoint<double> c = GetCOG();
  return TCGenPoint<double>(c.GetX() + m_roi.GetLeft(), c.GetY() + m_roi.GetTop());
}

double TCPxContour::GetElongation() const
{
  if (!m_moments)
    CreateMoments();
  const cv::Moments& m = *m_moments;
  const double denominator = m.mu20 + m.mu02;
  if (denominator == 0.0)
    return -1.0;
  const double d = m.mu20 - m.mu02;
  return std::sqrt(4.0 * m.mu11 * m.mu11 + d * d) / denominator;
}

double TCPxContour::GetLengthAxisAngle() const
{
  if (!m_moments)
    CreateMoments();
  return 0.5 * std::atan2(2.0 * m_moments->mu11, m_moments->mu20 - m_moments->mu02);
}

std::vector<double> TCPxContour::GetDudaniMoments() const
{
  if (!m_moments)
    CreateMoments();
  return _impl::DudaniFromMoments(*m_moments);
}

TCPxContour::TRotatedBox TCPxContour::FitEllipse() const
{
  if (m_points.size() < 5)
    return BoxSentinel();
  cv::RotatedRect r;
  try
  {
    r = cv::fitEllipse(m_points);
  }
  catch (const cv::Exception&)
  {
    return BoxSentinel();
  }
  return ToBox(r);
}

TCPxContour::TRotatedBox TCPxContour::GetMinAreaRect() const
{
  if (m_points.empty())
    return BoxSentinel();
  return ToBox(cv::minAreaRect(m_points));
}

void TCPxContour::GetConvexHull(std::list<TCGenPoint<int>>* hull) const
{
  if (!hull || m_points.empty())
    return;
  std::vector<cv::Point> points;
  cv::convexHull(m_points, points, true, true);
  for (const cv::Point& p : points)
    hull->push_back(ToGen(p));
}

void TCPxContour::GetConvexityDefects(std::list<TCGenPoint<int>>* result) const
{
  if (!result)
    return;
  std::vector<cv::Vec4i> defects = FindDefects(m_points);
  std::stable_sort(defects.begin(), defects.end(),
                   [](const cv::Vec4i& a, const cv::Vec4i& b) { return a[3] > b[3]; });
  for (const cv::Vec4i& d : defects)
    result->push_back(ToGen(m_points[static_cast<std::size_t>(d[2])]));
}

std::vector<TCGenPoint<int>> TCPxContour::GetConvexityDefects(double minDepth) const
{
  std::vector<TCGenPoint<int>> result;
  const double minFixed = minDepth * 256.0;
  for (const cv::Vec4i& d : FindDefects(m_points))
  {
    if (static_cast<double>(d[3]) >= minFixed)
      result.push_back(ToGen(m_points[static_cast<std::size_t>(d[2])]));
  }
  return result;
}

double TCPxContour::GetDistance(const TCGenPoint<int>& p) const
{
  return GetDistance(TCGenPoint<double>(p.GetX(), p.GetY()));
}

double TCPxContour::GetDistance(const TCGenPoint<double>& p) const
{
  if (m_points.empty())
    return -DBL_MAX;
  return cv::pointPolygonTest(m_points, cv::Point2f(ToFloat(p.GetX()), ToFloat(p.GetY())), true);
}

bool TCPxContour::IsInside(const TCGenPoint<double>& p) const
{
  if (m_points.empty())
    return false;
  return cv::pointPolygonTest(m_points, cv::Point2f(ToFloat(p.GetX()), ToFloat(p.GetY())), false) >= 0;
}

double TCPxContour::GetDistanceToNearestPoint(const TCGenPoint<double>& p) const
{
  if (m_points.empty())
    return kNaN;
  const double qx = ToFloat(p.GetX());
  const double qy = ToFloat(p.GetY());
  double best = std::numeric_limits<double>::infinity();
  for (const cv::Point& v : m_points)
  {
    const double dx = v.x - qx;
    const double dy = v.y - qy;
    best = std::min(best, dx * dx + dy * dy);
  }
  return std::sqrt(best);
}

TCGenPoint<int> TCPxContour::PointNearestTo(const TCGenPoint<int>& p) const
{
  if (m_points.empty())
    return TCGenPoint<int>(-1, -1);
  const cv::Point q(p.GetX(), p.GetY());
  std::size_t best = 0;
  double bestD = DistSqr(m_points[0], q);
  for (std::size_t i = 1; i < m_points.size(); ++i)
  {
    const double d = DistSqr(m_points[i], q);
    if (d < bestD)
    {
      bestD = d;
      best = i;
    }
  }
  return ToGen(m_points[best]);
}

TCGenPoint<double> TCPxContour::PointNearestTo(const TCGenPoint<double>& p) const
{
  if (m_points.empty())
    return TCGenPoint<double>(-1.0, -1.0);
  std::size_t best = 0;
  double bestD = std::numeric_limits<double>::infinity();
  for (std::size_t i = 0; i < m_points.size(); ++i)
  {
    const double dx = m_points[i].x - p.GetX();
    const double dy = m_points[i].y - p.GetY();
    const double d = dx * dx + dy * dy;
    if (d < bestD)
    {
      bestD = d;
      best = i;
    }
  }
  return TCGenPoint<double>(m_points[best].x, m_points[best].y);
}

namespace
{
// Scans the rectangle on a grid of the given stride for the point deepest
// inside the outline; strictly larger distances win.
TCGenPoint<int> ScanDeepestPoint(const std::vector<cv::Point>& points, const TCGenRect<int>& r, int stride,
                                 double best)
{
  TCGenPoint<int> result(-1, -1);
  for (std::int64_t x = r.GetLeft(); x < r.GetRight(); x += stride)
  {
    for (std::int64_t y = r.GetTop(); y < r.GetBottom(); y += stride)
    {
      const double d =
          cv::pointPolygonTest(points, cv::Point2f(static_cast<float>(x), static_cast<float>(y)), true);
      if (d > best)
      {
        best = d;
        result = TCGenPoint<int>(static_cast<int>(x), static_cast<int>(y));
      }
    }
  }
  return result;
}
} // namespace

TCGenPoint<int> TCPxContour::GetMaxDistancePointInside() const
{
  if (m_points.empty())
    return TCGenPoint<int>(-1, -1);
  return ScanDeepestPoint(m_points, GetBoundingRect(), 1, -1.0);
}

TCGenPoint<int> TCPxContour::ApproxMaxDistancePointInside() const
{
  if (m_points.empty())
    return TCGenPoint<int>(-1, -1);
  const double a = GetArea();
  const int stride = a > 400000 ? 9 : a > 120000 ? 7 : a > 40000 ? 5 : a > 10000 ? 3 : 1;
  return ScanDeepestPoint(m_points, GetBoundingRect(), stride, -DBL_MAX);
}

TCGenPoint<double> TCPxContour::GetPointOppositeOf(const TCGenPoint<double>& q) const
{
  const int n = GetSize();
  if (n == 0)
    return TCGenPoint<double>(-1.0, -1.0);

  // Vertex nearest to q in city-block distance, truncated to whole pixels.
  int i0 = 0;
  double bestD = std::numeric_limits<double>::infinity();
  for (int i = 0; i < n; ++i)
  {
    const cv::Point& v = m_points[static_cast<std::size_t>(i)];
    const double d = std::trunc(std::fabs(q.GetX() - v.x) + std::fabs(q.GetY() - v.y));
    if (d < bestD)
    {
      bestD = d;
      i0 = i;
    }
  }

  // Two fronts walk away from i0 along the outline while they stay inside a
  // circle that grows with the gap between them.
  double cx = m_points[static_cast<std::size_t>(i0)].x;
  double cy = m_points[static_cast<std::size_t>(i0)].y;
  double e = static_cast<double>(n / 4);
  int f = 1, b = 1, consumed = 0;
  std::optional<std::pair<std::optional<cv::Point>, std::optional<cv::Point>>> previous;
  const auto inside = [&](const cv::Point& v) {
    const double dx = v.x - cx;
    const double dy = v.y - cy;
    return dx * dx + dy * dy < e;
  };
  while (n - consumed > 1)
  {
    std::optional<cv::Point> F, B;
    bool progress = false;
    do
    {
      progress = false;
      if (!F)
      {
        const cv::Point& v = *PointAt(i0 + f);
        if (inside(v))
        {
          ++consumed;
          ++f;
          progress = true;
        }
        else
          F = v;
      }
      if (n - consumed == 1)
        break;
      if (!B)
      {
        const cv::Point& v = *PointAt(i0 - b);
        if (inside(v))
        {
          ++consumed;
          ++b;
          progress = true;
        }
        else
          B = v;
      }
    } while (n - consumed != 1 && progress);

    const std::pair<std::optional<cv::Point>, std::optional<cv::Point>> blocked(F, B);
    if (previous && *previous == blocked)
      break;
    previous = blocked;
    if (F && B)
    {
      const std::int64_t mx = (static_cast<std::int64_t>(B->x) + F->x) / 2;
      const std::int64_t my = (static_cast<std::int64_t>(F->y) + B->y) / 2;
      cx = static_cast<double>(mx);
      cy = static_cast<double>(my);
      const double dF = (F->x - cx) * (F->x - cx) + (F->y - cy) * (F->y - cy);
      const double dB = (B->x - cx) * (B->x - cx) + (B->y - cy) * (B->y - cy);
      e = 1.41 * std::max(dF, dB);
    }
  }
  const cv::Point& r = *PointAt(i0 + ((n + f - b) >> 1));
  return TCGenPoint<double>(r.x, r.y);
}
