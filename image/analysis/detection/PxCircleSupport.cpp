#include "PxCircleSupport.h"

namespace pxdetect
{
double MakeSameRadius(std::vector<TCPxCircle>* circles)
{
  if (!circles || circles->empty())
    return 0;
  double sum = 0;
  for (const TCPxCircle& c : *circles)
    sum += c.radius;
  const double mean = sum / static_cast<double>(circles->size());
  for (TCPxCircle& c : *circles)
    c.radius = mean;
  return mean;
}
}  // namespace pxdetect
