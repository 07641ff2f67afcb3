#pragma once
#include <general/TCGenPoint.h>

/// A detected circle: radius and centre in pixels, and the strength of the
/// detection (the summed normalised votes it came from; 0 for a circle found
/// by template matching or a grid fit).
struct TCPxCircle
{
  double radius = 0;
  TCGenPoint<double> centre;
  double score = 0;

  TCPxCircle() = default;
  TCPxCircle(TCGenPoint<double> c, double r, double s) : radius(r), centre(c), score(s) {}

  double GetRadius() const { return radius; }
};
