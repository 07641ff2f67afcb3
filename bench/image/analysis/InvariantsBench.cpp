// The Flusser invariants of a 1024 x 1024 object image (both image forms)
// beside cv::moments of the same image, and the contour form on a 2,000-point
// outline beside drawing it and taking cv::moments, so the results read as ratios.
#include <benchmark/benchmark.h>

#include <vector>

#include <opencv2/core.hpp>
#include <opencv2/imgproc.hpp>

#include <pixolan/analysis/TCPxContour.h>
#include <pixolan/analysis/TCPxInvariants.h>
#include <pixolan/model/TCPx8bitImage.h>
#include <pixolan/model/TCPxFloatImage.h>

#include "RippledEllipse.h"

namespace
{
constexpr int kSide = 1024;
constexpr int kPoints = 2000;

// An ellipse with a ripple, 2,000 integer points, inside the 1024 x 1024 frame.
const std::vector<cv::Point>& Outline()
{
  static const std::vector<cv::Point> points = pixolan_test::RippledEllipse(kPoints, 500, 500);
  return points;
}

cv::Mat ObjectMask()
{
  cv::Mat m = cv::Mat::zeros(kSide, kSide, CV_8U);
  cv::fillPoly(m, std::vector<std::vector<cv::Point>>{Outline()}, cv::Scalar(255));
  return m;
}

void BM_Invariants_Flusser8bit(benchmark::State& state)
{
  TCPx8bitImage img(kSide, kSide);
  ObjectMask().copyTo(*img.GetMatPtr());
  for (auto _ : state)
    benchmark::DoNotOptimize(TCPxInvariants::CalculateFlusserInvariants(img));
}
BENCHMARK(BM_Invariants_Flusser8bit)->Unit(benchmark::kMillisecond);

void BM_Invariants_Flusser8bit_RefOpenCvMoments(benchmark::State& state)
{
  const cv::Mat m = ObjectMask();
  for (auto _ : state)
    benchmark::DoNotOptimize(cv::moments(m, false));
}
BENCHMARK(BM_Invariants_Flusser8bit_RefOpenCvMoments)->Unit(benchmark::kMillisecond);

void BM_Invariants_FlusserFloat(benchmark::State& state)
{
  TCPxFloatImage img(kSide, kSide);
  ObjectMask().convertTo(*img.GetMatPtr(), CV_32F, 1.0 / 255);
  for (auto _ : state)
    benchmark::DoNotOptimize(TCPxInvariants::CalculateFlusserInvariants(img));
}
BENCHMARK(BM_Invariants_FlusserFloat)->Unit(benchmark::kMillisecond);

void BM_Invariants_FlusserFloat_RefOpenCvMoments(benchmark::State& state)
{
  cv::Mat m;
  ObjectMask().convertTo(m, CV_32F, 1.0 / 255);
  for (auto _ : state)
    benchmark::DoNotOptimize(cv::moments(m, false));
}
BENCHMARK(BM_Invariants_FlusserFloat_RefOpenCvMoments)->Unit(benchmark::kMillisecond);

void BM_Invariants_FlusserContour(benchmark::State& state)
{
  const TCPxContour c(Outline());
  for (auto _ : state)
    benchmark::DoNotOptimize(TCPxInvariants::CalculateFlusserInvariants(c));
}
BENCHMARK(BM_Invariants_FlusserContour)->Unit(benchmark::kMillisecond);

void BM_Invariants_FlusserContour_RefOpenCvDrawAndMoments(benchmark::State& state)
{
  const cv::Rect box = cv::boundingRect(Outline());
  std::vector<cv::Point> shifted;
  for (const cv::Point& p : Outline())
    shifted.push_back(p - box.tl());
  for (auto _ : state)
  {
    cv::Mat m = cv::Mat::zeros(box.height, box.width, CV_8U);
    cv::drawContours(m, std::vector<std::vector<cv::Point>>{shifted}, 0, cv::Scalar(255), cv::FILLED);
    benchmark::DoNotOptimize(cv::moments(m, true));
  }
}
BENCHMARK(BM_Invariants_FlusserContour_RefOpenCvDrawAndMoments)->Unit(benchmark::kMillisecond);
} // namespace
