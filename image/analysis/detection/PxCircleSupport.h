#pragma once
// Steps shared by the circle and the well-plate detectors (internal).
#include <vector>

#include <pixolan/analysis/TCPxCircle.h>

namespace pxdetect
{
/// Sets every radius to the arithmetic mean of the radii and returns it;
/// an empty vector stays empty and gives 0.
double MakeSameRadius(std::vector<TCPxCircle>* circles);
}  // namespace pxdetect
