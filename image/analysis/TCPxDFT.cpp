#include <pixolan/analysis/TCPxDFT.h>

#include <pixolan/analysis/TCPxContour.h>

void TCPxDFT::CalcNormalizedDftCoefs(const TCPxContour& c, const TCGenPoint<double>& ref, TCoefs* X, TCoefs* Y)
{
  TCPxContour copy(c);
  const TCGenRect<int> roi = copy.GetROIRect();
  const TCGenPoint<double> shifted(ref.GetX() - roi.GetLeft(), ref.GetY() - roi.GetTop());
  copy.CorrectForROI();
  copy.CalcNormalizedDftCoefs(shifted, X, Y);
}

TCPxContour* TCPxDFT::CreateContourDFT(const TCPxContour& c, int harmonics)
{
  auto* out = new TCPxContour(c);
  c.DFT(out, harmonics);
  return out;
}

TCPxContour TCPxDFT::MakeContourDFT(const TCPxContour& c, int harmonics)
{
  TCPxContour out(c);
  c.DFT(&out, harmonics);
  return out;
}

TCPxContour* TCPxDFT::CreateContourFromDftCoefs(int n, const TCoefs& X, const TCoefs& Y)
{
  auto* out = new TCPxContour();
  out->ConstructFromDFTCoefs(static_cast<int>(X.size()), n, X, Y);
  return out;
}
