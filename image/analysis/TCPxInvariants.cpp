#include <pixolan/analysis/TCPxInvariants.h>

#include <cmath>
#include <complex>
#include <cstdint>
#include <vector>

#include <opencv2/core.hpp>
#include <opencv2/imgproc.hpp>

#include <pixolan/analysis/TCPxContour.h>
#include <pixolan/model/TCPx8bitImage.h>
#include <pixolan/model/TCPxFloatImage.h>

#include "PxMomentRules.h"

namespace
{
using TComplex = std::complex<double>;

// Highest order either image form uses.
constexpr int kMaxOrder = 7;

// Central moments mu[k][l] = sum (x - xc)^k (y - yc)^l v of one image and its mass.
struct TCentralMoments
{
  double m00 = 0.0;
  double mu[kMaxOrder + 1][kMaxOrder + 1] = {};
};

double Binomial(int n, int k)
{
  double r = 1.0;
  for (int i = 1; i <= k; ++i)
    r = r * (n - k + i) / i;
  return r;
}

TComplex IntPow(TComplex z, int p)
{
  TComplex r(1.0, 0.0);
  while (p > 0)
  {
    if (p & 1)
      r *= z;
    z *= z;
    p >>= 1;
  }
  return r;
}

// Mass and first moments of the ROI: the 8-bit form counts the non-zero
// pixels (integer sums per row), the float form weighs by the value.
void MassAndFirstMoments(const cv::Mat& view, unsigned char, double* m00, double* m10, double* m01)
{
  for (int y = 0; y < view.rows; ++y)
  {
    const unsigned char* row = view.ptr<unsigned char>(y);
    std::int64_t count = 0, sx = 0;
    for (int x = 0; x < view.cols; ++x)
    {
      const int on = row[x] != 0;
      count += on;
      sx += on * x;
    }
    *m00 += static_cast<double>(count);
    *m10 += static_cast<double>(sx);
    *m01 += static_cast<double>(count) * y;
  }
}

void MassAndFirstMoments(const cv::Mat& view, float, double* m00, double* m10, double* m01)
{
  for (int y = 0; y < view.rows; ++y)
  {
    const float* row = view.ptr<float>(y);
    double s0 = 0.0, s1 = 0.0;
    for (int x = 0; x < view.cols; ++x)
    {
      s0 += row[x];
      s1 += static_cast<double>(row[x]) * x;
    }
    *m00 += s0;
    *m10 += s1;
    *m01 += s0 * y;
  }
}

// The central moments of `orders` (each up to MaxOrder) over the ROI view.
// The mass and centroid come from MassAndFirstMoments, the central moments
// weigh by the pixel value. Per row the sums S_k = sum_x dx^k v are formed
// with the column powers dx^k precomputed, then combined with the powers of
// dy: MaxOrder + 1 multiply-adds per non-zero pixel.
template <typename T, int MaxOrder>
bool Accumulate(const cv::Mat& view, const std::vector<int>& orders, TCentralMoments* out)
{
  constexpr int kTerms = MaxOrder + 1;
  const int rows = view.rows;
  const int cols = view.cols;
  double m00 = 0.0, m10 = 0.0, m01 = 0.0;
  MassAndFirstMoments(view, T(), &m00, &m10, &m01);
  out->m00 = m00;
  if (m00 == 0.0)
    return false;
  const double xc = m10 / m00;
  const double yc = m01 / m00;

  std::vector<double> colPow(static_cast<std::size_t>(cols) * kTerms);
  for (int x = 0; x < cols; ++x)
  {
    double* p = &colPow[static_cast<std::size_t>(x) * kTerms];
    const double dx = x - xc;
    p[0] = 1.0;
    for (int k = 1; k < kTerms; ++k)
      p[k] = p[k - 1] * dx;
  }
  double dyPow[kTerms];
  for (int y = 0; y < rows; ++y)
  {
    const T* row = view.ptr<T>(y);
    // Only the span from the first to the last non-zero pixel; two sets of
    // sums (even and odd pixels) keep two independent addition chains.
    int first = 0;
    while (first < cols && row[first] == 0)
      ++first;
    if (first == cols)
      continue;
    int last = cols - 1;
    while (row[last] == 0)
      --last;
    double sumA[kTerms] = {};
    double sumB[kTerms] = {};
    int x = first;
    for (; x + 1 <= last; x += 2)
    {
      const double va = static_cast<double>(row[x]);
      const double vb = static_cast<double>(row[x + 1]);
      const double* pa = &colPow[static_cast<std::size_t>(x) * kTerms];
      const double* pb = pa + kTerms;
      for (int k = 0; k < kTerms; ++k)
      {
        sumA[k] += pa[k] * va;
        sumB[k] += pb[k] * vb;
      }
    }
    if (x == last)
    {
      const double v = static_cast<double>(row[x]);
      const double* p = &colPow[static_cast<std::size_t>(x) * kTerms];
      for (int k = 0; k < kTerms; ++k)
        sumA[k] += p[k] * v;
    }
    double rowSum[kTerms];
    for (int k = 0; k < kTerms; ++k)
      rowSum[k] = sumA[k] + sumB[k];
    const double dy = y - yc;
    dyPow[0] = 1.0;
    for (int l = 1; l < kTerms; ++l)
      dyPow[l] = dyPow[l - 1] * dy;
    for (int order : orders)
      for (int k = 0; k <= order; ++k)
        out->mu[k][order - k] += rowSum[k] * dyPow[order - k];
  }
  return true;
}

// Replaces the moments of `order` (5 or 7) by the matching cumulants of the
// pixel distribution scaled by m00. With a zero mean the cumulant of order n
// sums over the partitions of the n coordinates into blocks of two or more:
// order 5 takes {5} - {3, 2}; order 7 takes {7} - {5, 2} - {4, 3} + 2 {3, 2, 2}.
// C(k, a) C(l, b) counts the ways to put a of the k x's and b of the l y's
// into a block. Reads only the uncorrected moments of lower orders.
void CorrectToCumulants(int order, TCentralMoments* m)
{
  const double n = m->m00;
  auto mu = [m](int k, int l) { return m->mu[k][l]; };
  // Sum over the splits into one block of order `first` and the rest.
  auto pairs = [&](int k, int l, int first) {
    double s = 0.0;
    for (int a = 0; a <= first; ++a)
    {
      const int b = first - a;
      if (a > k || b > l)
        continue;
      s += Binomial(k, a) * Binomial(l, b) * mu(a, b) * mu(k - a, l - b);
    }
    return s;
  };
  double corrected[kMaxOrder + 1];
  for (int k = 0; k <= order; ++k)
  {
    const int l = order - k;
    double c = mu(k, l) - pairs(k, l, 3) / n;
    if (order == 7)
    {
      c = mu(k, l) - (pairs(k, l, 5) + pairs(k, l, 4)) / n;
      // {3, 2, 2}: the block of three, then the remaining four split into two
      // unordered pairs (the ordered count halved).
      double triple = 0.0;
      for (int a = 0; a <= 3; ++a)
      {
        const int b = 3 - a;
        if (a > k || b > l)
          continue;
        triple += Binomial(k, a) * Binomial(l, b) * mu(a, b) * 0.5 * pairs(k - a, l - b, 2);
      }
      c += 2.0 * triple / (n * n);
    }
    corrected[k] = c;
  }
  for (int k = 0; k <= order; ++k)
    m->mu[k][order - k] = corrected[k];
}

// I1 ... I4, and I5, I6 when the seventh order is present (formulas in the header).
std::vector<double> AffineInvariants(const TCentralMoments& m, bool withSeventh)
{
  const double n = m.m00;
  const double u30 = m.mu[3][0], u21 = m.mu[2][1], u12 = m.mu[1][2], u03 = m.mu[0][3];
  const double c50 = m.mu[5][0], c41 = m.mu[4][1], c32 = m.mu[3][2];
  const double c23 = m.mu[2][3], c14 = m.mu[1][4], c05 = m.mu[0][5];

  const double i1 = (u30 * u30 + u03 * u03 - 6 * u30 * u21 * u12 * u03 + 4 * u30 * u12 * u12 * u12 +
                     4 * u21 * u21 * u21 * u03 - 3 * u21 * u21 * u12 * u12) /
                    std::pow(n, 10);
  const double i2 =
      (c05 * c05 + c50 * c50 - 10 * c50 * c41 * c14 * c05 + 4 * c50 * c32 * c23 * c05 + 16 * c50 * c32 * c14 * c14 -
       12 * c50 * c23 * c23 * c14 + 16 * c41 * c41 * c23 * c05 + 9 * c41 * c41 * c14 * c14 -
       12 * c41 * c32 * c32 * c05 - 76 * c41 * c32 * c23 * c14 + 48 * c41 * c23 * c23 * c23 +
       48 * c32 * c32 * c32 * c14 - 32 * c32 * c32 * c23 * c23) /
      std::pow(n, 14);
  const double i3 =
      (u30 * u30 * u12 * c05 - u30 * u30 * u03 * c14 - u21 * u21 * u30 * c05 - 2 * u30 * u21 * u12 * c14 +
       4 * u30 * u21 * u03 * c23 + 2 * u30 * u12 * u12 * c23 - 4 * u30 * u12 * u03 * c32 + u03 * u03 * u30 * c41 +
       3 * u21 * u21 * u21 * c14 - 6 * u21 * u21 * u12 * c23 - 2 * u21 * u21 * u03 * c32 +
       6 * u21 * u12 * u12 * c32 + 2 * u21 * u12 * u03 * c41 - u03 * u03 * u21 * c50 - 3 * u12 * u12 * u12 * c41 +
       u12 * u12 * u03 * c50) /
      std::pow(n, 11);
  const double i4 =
      (2 * u30 * u12 * c41 * c05 - 8 * u30 * u12 * c32 * c14 + 6 * u30 * u12 * c23 * c23 - u03 * u30 * c50 * c05 +
       3 * u30 * u03 * c41 * c14 - 2 * u30 * u03 * c32 * c23 - 2 * u21 * u21 * c41 * c05 +
       8 * u21 * u21 * c32 * c14 - 6 * u21 * u21 * c23 * c23 + u21 * u12 * c50 * c05 - 3 * u21 * u12 * c41 * c14 +
       2 * u21 * u12 * c32 * c23 + 2 * u21 * u03 * c50 * c14 - 8 * u21 * u03 * c41 * c23 +
       6 * u21 * u03 * c32 * c32 - 2 * u12 * u12 * c50 * c14 + 8 * u12 * u12 * c41 * c23 - 6 * u12 * u12 * c32 * c32) /
      std::pow(n, 12);
  if (!withSeventh)
    return {i1, i2, i3, i4};

  // I5: the cubic's Hessian H against the fifth transvectant T of the quintic and septic forms.
  const double h0 = u30 * u12 - u21 * u21;
  const double h1 = u30 * u03 - u21 * u12;
  const double h2 = u21 * u03 - u12 * u12;
  double t[3] = {0.0, 0.0, 0.0};
  for (int j = 0; j < 3; ++j)
    for (int i = 0; i <= 5; ++i)
      t[j] += ((i & 1) ? -1.0 : 1.0) * Binomial(5, i) * m.mu[5 - i][i] * m.mu[i + j][7 - i - j];
  const double i5 = (h0 * t[0] - h1 * t[1] + h2 * t[2]) / std::pow(n, 13);

  // I6: the quartic invariant of the septic form.
  const double a70 = m.mu[7][0], a61 = m.mu[6][1], a52 = m.mu[5][2], a43 = m.mu[4][3];
  const double a34 = m.mu[3][4], a25 = m.mu[2][5], a16 = m.mu[1][6], a07 = m.mu[0][7];
  const double i6 =
      (a70 * a70 * a07 * a07 - 14 * a70 * a61 * a16 * a07 + 18 * a70 * a52 * a25 * a07 + 24 * a70 * a52 * a16 * a16 -
       10 * a70 * a43 * a34 * a07 - 60 * a70 * a43 * a25 * a16 + 40 * a70 * a34 * a34 * a16 +
       24 * a61 * a61 * a25 * a07 + 25 * a61 * a61 * a16 * a16 - 60 * a61 * a52 * a34 * a07 -
       234 * a61 * a52 * a25 * a16 + 40 * a61 * a43 * a43 * a07 + 50 * a61 * a43 * a34 * a16 +
       360 * a61 * a43 * a25 * a25 - 240 * a61 * a34 * a34 * a25 + 360 * a52 * a52 * a34 * a16 +
       81 * a52 * a52 * a25 * a25 - 240 * a52 * a43 * a43 * a16 - 990 * a52 * a43 * a34 * a25 +
       600 * a52 * a34 * a34 * a34 + 600 * a43 * a43 * a43 * a25 - 375 * a43 * a43 * a34 * a34) /
      std::pow(n, 18);
  return {i1, i2, i3, i4, i5, i6};
}
} // namespace

std::vector<double> TCPxInvariants::CalculateHuInvariants(const TCPx8bitImage& image)
{
  const cv::Moments m = cv::moments(*image.GetMatPtr(), true);
  std::vector<double> hu(7);
  cv::HuMoments(m, hu.data());
  return hu;
}

std::vector<double> TCPxInvariants::GetHuMoments(TCPxContour* contour)
{
  if (!contour)
    return {};
  std::vector<double> hu(7);
  cv::HuMoments(contour->GetMoments(), hu.data());
  return hu;
}

std::vector<double> TCPxInvariants::CalculateDudaniInvariants(const TCPxFloatImage& image)
{
  return _impl::DudaniFromMoments(cv::moments(*image.GetMatPtr(), true));
}

std::vector<double> TCPxInvariants::CalculateFlusserInvariants(const TCPxContour& contour)
{
  if (contour.GetSize() == 0)
    return std::vector<double>(6, 0.0);
  // Drawn into an image of the bounding box's size, placed by the box so that
  // no part of an asymmetric shape is cut off (the moments are central, so
  // the placement does not change them).
  const TCGenRect<int> box = contour.GetBoundingRect();
  TCPxContour copy(contour);
  copy.Translate2(TCGenPoint<double>(box.GetLeft(), box.GetTop()));
  TCPx8bitImage mask(box.GetWidth(), box.GetHeight());
  mask.DrawContour(&copy, 255, true, 1);

  const TCGenPoint<double> cog = copy.GetCOG();
  const double area = copy.GetArea();
  TComplex c11, c20, c21, c12, c30;
  const cv::Mat& view = *mask.GetMatPtr();
  for (int y = 0; y < view.rows; ++y)
  {
    const unsigned char* row = view.ptr<unsigned char>(y);
    const double v = y - cog.GetY();
    for (int x = 0; x < view.cols; ++x)
    {
      if (row[x] == 0)
        continue;
      const TComplex z(x - cog.GetX(), v);
      const TComplex zc = std::conj(z);
      c11 += z * zc;
      c20 += IntPow(z, 2);
      c21 += IntPow(z, 2) * zc;
      c12 += z * IntPow(zc, 2);
      c30 += IntPow(z, 3);
    }
  }
  const double a2 = area * area;
  const double a25 = a2 * std::sqrt(area);
  const TComplex n11 = c11 / a2, n20 = c20 / a2;
  const TComplex n21 = c21 / a25, n12 = c12 / a25, n30 = c30 / a25;

  const TComplex p2 = n12 * n21;
  const TComplex p3 = n12 * (n21 * n20);
  const TComplex p5 = n12 * (n12 * (n21 * (n20 * n30)));
  return {n11.real(), p2.real(), p3.real(), p3.imag(), p5.real(), p5.imag()};
}

std::vector<double> TCPxInvariants::CalculateFlusserInvariants(const TCPxFloatImage& image)
{
  TCentralMoments m;
  if (!Accumulate<float, 5>(*image.GetMatPtr(), {2, 3, 5}, &m))
    return std::vector<double>(6, 0.0);
  CorrectToCumulants(5, &m);
  return AffineInvariants(m, false);
}

std::vector<double> TCPxInvariants::CalculateFlusserInvariants(const TCPx8bitImage& image)
{
  TCentralMoments m;
  if (!Accumulate<unsigned char, 7>(*image.GetMatPtr(), {2, 3, 4, 5, 7}, &m))
    return std::vector<double>(6, 0.0);
  // Order 7 first: its correction reads the uncorrected fifth-order moments.
  CorrectToCumulants(7, &m);
  CorrectToCumulants(5, &m);
  return AffineInvariants(m, true);
}
