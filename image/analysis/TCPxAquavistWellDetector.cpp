#include <pixolan/analysis/TCPxAquavistWellDetector.h>

#include <cmath>
#include <algorithm>
#include <stdexcept>

#include <pixolan/model/TCPx8bitImage.h>

#include "detection/PxWellGrid.h"

TCPxAquavistGridInfoCircle TCPxAquavistWellDetector::DetectCirclesInGrid(const TCPx8bitImage& image, int rows, int cols)
{
  if (rows < 1 || cols < 1)
    return TCPxAquavistGridInfoCircle();
  TCPx8bitImage edges(image);
  edges.SetFullROI();
  pxdetect::ApplyCORFFilter(m_corf, image, &edges, nullptr);
  return pxdetect::DetectCirclesInGrid(&edges, rows, cols, m_dMinimumPlateSpan);
}

std::pair<double, double> TCPxAquavistWellDetector::FitLinspace(const Math::Vector& values, int count, int perBin,
                                                                double tolerance)
{
  return pxdetect::FitLinspace(values, count, perBin, tolerance);
}

void TCPxAquavistWellDetector::SetMinimumPlateSpan(double fraction)
{
  if (!(fraction > 0))
    throw std::invalid_argument("SetMinimumPlateSpan: the fraction must be positive");
  m_dMinimumPlateSpan = std::min(fraction, 1.0);
}
