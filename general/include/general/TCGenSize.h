#pragma once

/// Width and height of a 2-D extent.
template <typename T>
class TCGenSize
{
public:
  TCGenSize() : m_width(T()), m_height(T()) {}
  TCGenSize(T width, T height) : m_width(width), m_height(height) {}

  T GetWidth() const { return m_width; }
  T GetHeight() const { return m_height; }
  void SetWidth(T width) { m_width = width; }
  void SetHeight(T height) { m_height = height; }

  friend bool operator==(const TCGenSize& a, const TCGenSize& b)
  {
    return a.m_width == b.m_width && a.m_height == b.m_height;
  }
  friend bool operator!=(const TCGenSize& a, const TCGenSize& b) { return !(a == b); }

private:
  T m_width;
  T m_height;
};
