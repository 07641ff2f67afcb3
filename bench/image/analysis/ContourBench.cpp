// Contour operations on a 2,000-point outline, each beside the bare OpenCV call
// for the same job where one exists, so the results read as ratios.
#include <benchmark/benchmark.h>

#include <list>
#include <vector>

#include <opencv2/core.hpp>
#include <opencv2/imgproc.hpp>

#include <pixolan/analysis/TCPxContour.h>

#include "RippledEllipse.h"

namespace
{
constexpr int kPoints = 2000;

// An ellipse with a ripple, 2,000 integer points.
const std::vector<cv::Point>& Outline()
{
  static const std::vector<cv::Point> points = pixolan_test::RippledEllipse(kPoints, 500, 400);
  return points;
}

// ---- area ----------------------------------------------------------------------------
void BM_Contour_GetArea(benchmark::State& state)
{
  const TCPxContour c(Outline());
  for (auto _ : state)
    benchmark::DoNotOptimize(c.GetArea());
}
BENCHMARK(BM_Contour_GetArea);

void BM_Contour_GetArea_RefOpenCv(benchmark::State& state)
{
  const std::vector<cv::Point>& p = Outline();
  for (auto _ : state)
    benchmark::DoNotOptimize(cv::contourArea(p, false));
}
BENCHMARK(BM_Contour_GetArea_RefOpenCv);

// ---- perimeter -----------------------------------------------------------------------
void BM_Contour_GetPerimeter(benchmark::State& state)
{
  const TCPxContour c(Outline());
  for (auto _ : state)
    benchmark::DoNotOptimize(c.GetPerimeter());
}
BENCHMARK(BM_Contour_GetPerimeter);

void BM_Contour_GetPerimeter_RefOpenCv(benchmark::State& state)
{
  const std::vector<cv::Point>& p = Outline();
  for (auto _ : state)
    benchmark::DoNotOptimize(cv::arcLength(p, true));
}
BENCHMARK(BM_Contour_GetPerimeter_RefOpenCv);

// ---- moments -------------------------------------------------------------------------
void BM_Contour_CreateMoments(benchmark::State& state)
{
  const TCPxContour c(Outline());
  for (auto _ : state)
  {
    c.CreateMoments();
    benchmark::ClobberMemory();
  }
}
BENCHMARK(BM_Contour_CreateMoments);

void BM_Contour_CreateMoments_RefOpenCv(benchmark::State& state)
{
  const std::vector<cv::Point>& p = Outline();
  for (auto _ : state)
  {
    cv::Moments m = cv::moments(p, false);
    benchmark::DoNotOptimize(m);
  }
}
BENCHMARK(BM_Contour_CreateMoments_RefOpenCv);

// ---- convex hull ---------------------------------------------------------------------
void BM_Contour_GetConvexHull(benchmark::State& state)
{
  const TCPxContour c(Outline());
  for (auto _ : state)
  {
    std::list<TCGenPoint<int>> hull;
    c.GetConvexHull(&hull);
    benchmark::DoNotOptimize(hull);
  }
}
BENCHMARK(BM_Contour_GetConvexHull);

void BM_Contour_GetConvexHull_RefOpenCv(benchmark::State& state)
{
  const std::vector<cv::Point>& p = Outline();
  for (auto _ : state)
  {
    std::vector<cv::Point> hull;
    cv::convexHull(p, hull, true, true);
    benchmark::DoNotOptimize(hull);
  }
}
BENCHMARK(BM_Contour_GetConvexHull_RefOpenCv);

// ---- curvature (own scheme, no OpenCV counterpart) ------------------------------------
void BM_Contour_GetBendingEnergy(benchmark::State& state)
{
  const TCPxContour c(Outline());
  for (auto _ : state)
    benchmark::DoNotOptimize(c.GetBendingEnergy());
}
BENCHMARK(BM_Contour_GetBendingEnergy);

// ---- Fourier descriptors -------------------------------------------------------------
void BM_Contour_GetXYDftCoefs(benchmark::State& state)
{
  const TCPxContour c(Outline());
  for (auto _ : state)
  {
    TCPxContour::TDftCoefs X, Y;
    c.GetXYDftCoefs(&X, &Y);
    benchmark::DoNotOptimize(X.data());
    benchmark::DoNotOptimize(Y.data());
  }
}
BENCHMARK(BM_Contour_GetXYDftCoefs);

// The two forward transforms alone, on coordinate rows prepared outside the loop.
void BM_Contour_GetXYDftCoefs_RefOpenCv(benchmark::State& state)
{
  cv::Mat xs(1, kPoints, CV_32F), ys(1, kPoints, CV_32F);
  for (int j = 0; j < kPoints; ++j)
  {
    xs.at<float>(j) = static_cast<float>(Outline()[j].x);
    ys.at<float>(j) = static_cast<float>(Outline()[j].y);
  }
  cv::Mat sx, sy;
  for (auto _ : state)
  {
    cv::dft(xs, sx, 0);
    cv::dft(ys, sy, 0);
    benchmark::DoNotOptimize(sx.data);
    benchmark::DoNotOptimize(sy.data);
  }
}
BENCHMARK(BM_Contour_GetXYDftCoefs_RefOpenCv);

void BM_Contour_DFTLowPass(benchmark::State& state)
{
  const TCPxContour c(Outline());
  TCPxContour out;
  for (auto _ : state)
  {
    c.DFT(&out, 20);
    benchmark::DoNotOptimize(out.GetPoints().data());
  }
}
BENCHMARK(BM_Contour_DFTLowPass);

// Forward and inverse transform of the prepared 2 x N matrix.
void BM_Contour_DFTLowPass_RefOpenCv(benchmark::State& state)
{
  cv::Mat m(2, kPoints, CV_32F);
  for (int j = 0; j < kPoints; ++j)
  {
    m.at<float>(0, j) = static_cast<float>(Outline()[j].x);
    m.at<float>(1, j) = static_cast<float>(Outline()[j].y);
  }
  cv::Mat spectrum, back;
  for (auto _ : state)
  {
    cv::dft(m, spectrum, 0);
    cv::dft(spectrum, back, cv::DFT_INVERSE | cv::DFT_SCALE);
    benchmark::DoNotOptimize(back.data);
  }
}
BENCHMARK(BM_Contour_DFTLowPass_RefOpenCv);
} // namespace
