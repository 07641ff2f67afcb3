#pragma once
#include <cmath>

/// A 2-D point with coordinates of type T (int or double).
template <typename T>
class TCGenPoint
{
public:
  TCGenPoint() : m_x(T()), m_y(T()) {}
  TCGenPoint(T x, T y) : m_x(x), m_y(y) {}

  T GetX() const { return m_x; }
  T GetY() const { return m_y; }
  void SetX(T x) { m_x = x; }
  void SetY(T y) { m_y = y; }
  void SetXY(T x, T y)
  {
    m_x = x;
    m_y = y;
  }

  /// Squared Euclidean distance, computed in double so int points cannot overflow.
  double DistanceSqr(const TCGenPoint& other) const
  {
    const double dx = static_cast<double>(m_x) - static_cast<double>(other.m_x);
    const double dy = static_cast<double>(m_y) - static_cast<double>(other.m_y);
    return dx * dx + dy * dy;
  }
  /// Euclidean distance.
  double Distance(const TCGenPoint& other) const { return std::sqrt(DistanceSqr(other)); }

  void Translate(T dx, T dy)
  {
    m_x += dx;
    m_y += dy;
  }
  /// Dot product of the two position vectors.
  double InProduct(const TCGenPoint& other) const
  {
    return static_cast<double>(m_x) * other.m_x + static_cast<double>(m_y) * other.m_y;
  }

  TCGenPoint& operator*=(double factor)
  {
    m_x = static_cast<T>(m_x * factor);
    m_y = static_cast<T>(m_y * factor);
    return *this;
  }
  TCGenPoint& operator+=(const TCGenPoint& other)
  {
    m_x += other.m_x;
    m_y += other.m_y;
    return *this;
  }
  TCGenPoint& operator-=(const TCGenPoint& other)
  {
    m_x -= other.m_x;
    m_y -= other.m_y;
    return *this;
  }
  friend TCGenPoint operator+(TCGenPoint a, const TCGenPoint& b) { return a += b; }
  friend TCGenPoint operator-(TCGenPoint a, const TCGenPoint& b) { return a -= b; }
  friend bool operator==(const TCGenPoint& a, const TCGenPoint& b) { return a.m_x == b.m_x && a.m_y == b.m_y; }
  friend bool operator!=(const TCGenPoint& a, const TCGenPoint& b) { return !(a == b); }

private:
  T m_x;
  T m_y;
};
