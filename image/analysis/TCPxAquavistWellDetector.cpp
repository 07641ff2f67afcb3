#include <pixolan/analysis/TCPxAquavistWellDetector.h>

#include <cmath>
#include <algorithm>
#include <stdexcept>

#include <pixolan/model/TCPx8bitImage.h>
#include <pixolan/model/TCPxFloatImage.h>

#include "detection/PxRectGrid.h"
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

TCPxAquavistGridInfoRect TCPxAquavistWellDetector::DetectSquaresInGrid(const TCPx8bitImage& image, int rows, int cols)
{
  if (rows < 2 || cols < 2)
    return TCPxAquavistGridInfoRect();
  TCPx8bitImage edges(image);
  edges.SetFullROI();
  pxdetect::ApplyCORFFilter(m_corf, image, &edges, nullptr);
  return pxdetect::DetectSquaresInGrid(&edges, rows, cols);
}

TCPxAquavistGridInfoWells TCPxAquavistWellDetector::DetectWellsInGrid(const TCPx8bitImage& image, int rows, int cols)
{
  m_dLastCircleScore = 0;
  m_dLastRectScore = 0;
  if (rows < 1 || cols < 1)
    return TCPxAquavistGridInfoWells();
  // The edge image is the costly common step: made once, in bytes for the
  // searches and in float for the model choice.
  TCPx8bitImage edges(image);
  edges.SetFullROI();
  TCPxFloatImage edgesFloat(image.GetWidth(), image.GetHeight());
  pxdetect::ApplyCORFFilter(m_corf, image, &edges, &edgesFloat);
  const TCPxAquavistGridInfoRect rect = pxdetect::DetectSquaresInGrid(&edges, rows, cols);
  const TCPxAquavistGridInfoCircle circle = pxdetect::DetectCirclesInGrid(&edges, rows, cols, m_dMinimumPlateSpan);
  return pxdetect::ChooseWellModel(edgesFloat, circle, rect, &m_dLastCircleScore, &m_dLastRectScore);
}

void TCPxAquavistWellDetector::GetLastModelScores(double* circle, double* rect) const
{
  if (circle)
    *circle = m_dLastCircleScore;
  if (rect)
    *rect = m_dLastRectScore;
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
