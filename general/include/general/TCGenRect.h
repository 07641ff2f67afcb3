#pragma once
#include <algorithm>

#include <general/TCGenPoint.h>

/// Axis-aligned rectangle held as left, top, right, bottom; right and bottom
/// are exclusive, so width = right - left and height = bottom - top.
template <typename T>
class TCGenRect
{
public:
  TCGenRect() : m_left(T()), m_top(T()), m_right(T()), m_bottom(T()) {}
  TCGenRect(T left, T top, T right, T bottom) : m_left(left), m_top(top), m_right(right), m_bottom(bottom) {}
  TCGenRect(const TCGenPoint<T>& topLeft, T width, T height)
      : m_left(topLeft.GetX()), m_top(topLeft.GetY()), m_right(topLeft.GetX() + width),
        m_bottom(topLeft.GetY() + height)
  {
  }

  T GetLeft() const { return m_left; }
  T GetTop() const { return m_top; }
  T GetRight() const { return m_right; }
  T GetBottom() const { return m_bottom; }
  T GetWidth() const { return m_right - m_left; }
  T GetHeight() const { return m_bottom - m_top; }
  TCGenPoint<T> GetTopLeft() const { return TCGenPoint<T>(m_left, m_top); }
  TCGenPoint<T> GetBottomRight() const { return TCGenPoint<T>(m_right, m_bottom); }

  /// True when width or height is not positive.
  bool IsEmpty() const { return !(m_left < m_right && m_top < m_bottom); }

  /// Left and top inclusive, right and bottom exclusive.
  bool IsPointInside(const TCGenPoint<T>& p) const
  {
    return p.GetX() >= m_left && p.GetX() < m_right && p.GetY() >= m_top && p.GetY() < m_bottom;
  }

  /// Grows each side outward by the given amount (negative amounts shrink).
  void InflateRect(T left, T top, T right, T bottom)
  {
    m_left -= left;
    m_top -= top;
    m_right += right;
    m_bottom += bottom;
  }

  /// Replaces this rectangle by its intersection with `rect`. Returns true when
  /// the intersection is non-empty; otherwise the rectangle becomes (0, 0, 0, 0).
  bool SetIntersect(const TCGenRect& rect)
  {
    const T l = std::max(m_left, rect.m_left);
    const T t = std::max(m_top, rect.m_top);
    const T r = std::min(m_right, rect.m_right);
    const T b = std::min(m_bottom, rect.m_bottom);
    if (!(l < r && t < b))
    {
      *this = TCGenRect();
      return false;
    }
    *this = TCGenRect(l, t, r, b);
    return true;
  }

  /// Replaces this rectangle by the smallest rectangle holding both. An empty
  /// operand does not contribute. Returns true when the result is non-empty.
  bool SetUnion(const TCGenRect& rect)
  {
    if (rect.IsEmpty())
      return !IsEmpty();
    if (IsEmpty())
    {
      *this = rect;
      return true;
    }
    m_left = std::min(m_left, rect.m_left);
    m_top = std::min(m_top, rect.m_top);
    m_right = std::max(m_right, rect.m_right);
    m_bottom = std::max(m_bottom, rect.m_bottom);
    return true;
  }

  friend bool operator==(const TCGenRect& a, const TCGenRect& b)
  {
    return a.m_left == b.m_left && a.m_top == b.m_top && a.m_right == b.m_right && a.m_bottom == b.m_bottom;
  }
  friend bool operator!=(const TCGenRect& a, const TCGenRect& b) { return !(a == b); }

private:
  T m_left;
  T m_top;
  T m_right;
  T m_bottom;
};
