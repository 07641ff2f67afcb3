// The analysis services beside the OpenCV calls doing the same work, so the
// results read as ratios: masked histogram, template matching, gradient
// region growing (against the watershed on the same markers) and the dense
// optical flow (against the same arithmetic written with OpenCV calls).
#include <benchmark/benchmark.h>

#include <random>
#include <vector>

#include <opencv2/core.hpp>
#include <opencv2/imgproc.hpp>

#include <pixolan/analysis/TCPxHistogram.h>
#include <pixolan/analysis/TCPxMatching.h>
#include <pixolan/analysis/TCPxOpticalFlowCalculatorLucasKanade.h>
#include <pixolan/analysis/TCPxSegmentation.h>
#include <pixolan/model/TCPx24bitImage.h>
#include <pixolan/model/TCPx8bitImage.h>
#include <pixolan/model/TCPxFloatImage.h>
#include <pixolan/model/TCPxInt32Image.h>

namespace
{
// Smooth camera-like texture: noise blurred, stretched to the full range.
cv::Mat Texture(int w, int h, unsigned seed, double sigma = 3.0)
{
  cv::Mat noise(h, w, CV_32F);
  cv::RNG(seed).fill(noise, cv::RNG::NORMAL, 0, 1);
  cv::GaussianBlur(noise, noise, cv::Size(), sigma);
  cv::Mat out;
  cv::normalize(noise, out, 0, 255, cv::NORM_MINMAX, CV_8U);
  return out;
}

TCPx8bitImage Wrap(const cv::Mat& m)
{
  TCPx8bitImage image(m.cols, m.rows);
  m.copyTo(*image.GetFullMatPtr());
  return image;
}

// ---- histogram with a mask, 1920 x 1080 ----------------------------------------------
void BM_Histogram_CalculateMasked(benchmark::State& state)
{
  const TCPx8bitImage image = Wrap(Texture(1920, 1080, 1));
  const TCPx8bitImage mask = Wrap(Texture(1920, 1080, 2) > 128);
  for (auto _ : state)
  {
    TCPxHistogram h;
    h.Calculate(image, mask);
    benchmark::DoNotOptimize(h.GetMaximumValue());
  }
}
BENCHMARK(BM_Histogram_CalculateMasked)->Unit(benchmark::kMillisecond);

void BM_Histogram_CalculateMasked_RefOpenCv(benchmark::State& state)
{
  const cv::Mat image = Texture(1920, 1080, 1);
  const cv::Mat mask = Texture(1920, 1080, 2) > 128;
  const int channels[] = {0};
  const int bins[] = {256};
  const float range[] = {0, 256};
  const float* ranges[] = {range};
  for (auto _ : state)
  {
    cv::Mat hist;
    cv::calcHist(&image, 1, channels, mask, hist, 1, bins, ranges);
    benchmark::DoNotOptimize(hist.data);
  }
}
BENCHMARK(BM_Histogram_CalculateMasked_RefOpenCv)->Unit(benchmark::kMillisecond);

// ---- template matching, normalised correlation coefficient ---------------------------
void BM_Matching_MatchTemplate5(benchmark::State& state)
{
  const TCPx8bitImage image = Wrap(Texture(640, 480, 3));
  TCPx8bitImage templ(48, 48);
  (*image.GetFullMatPtr())(cv::Rect(300, 200, 48, 48)).copyTo(*templ.GetFullMatPtr());
  TCPxFloatImage result(640 - 48 + 1, 480 - 48 + 1);
  for (auto _ : state)
  {
    TCPxMatching::MatchTemplate(image, templ, &result, 5);
    benchmark::ClobberMemory();
  }
}
BENCHMARK(BM_Matching_MatchTemplate5)->Unit(benchmark::kMillisecond);

void BM_Matching_MatchTemplate5_RefOpenCv(benchmark::State& state)
{
  const cv::Mat image = Texture(640, 480, 3);
  const cv::Mat templ = image(cv::Rect(300, 200, 48, 48)).clone();
  cv::Mat result;
  for (auto _ : state)
  {
    cv::matchTemplate(image, templ, result, cv::TM_CCOEFF_NORMED);
    benchmark::ClobberMemory();
  }
}
BENCHMARK(BM_Matching_MatchTemplate5_RefOpenCv)->Unit(benchmark::kMillisecond);

// ---- region growing from 300 seeds, 1280 x 960 ---------------------------------------
std::vector<cv::Point> Seeds(int w, int h)
{
  std::mt19937 rng(5);
  std::vector<cv::Point> seeds;
  for (int i = 0; i < 300; ++i)
    seeds.emplace_back(static_cast<int>(rng() % w), static_cast<int>(rng() % h));
  return seeds;
}

void BM_Segmentation_SegmentGradient(benchmark::State& state)
{
  const TCPx8bitImage image = Wrap(Texture(1280, 960, 4));
  const auto seeds = Seeds(1280, 960);
  TCPx8bitImage markers(1280, 960);
  for (auto _ : state)
  {
    state.PauseTiming();
    markers.GetFullMatPtr()->setTo(0);
    for (std::size_t i = 0; i < seeds.size(); ++i)
      markers.GetFullMatPtr()->at<unsigned char>(seeds[i]) = static_cast<unsigned char>(1 + i % 255);
    state.ResumeTiming();
    TCPxSegmentation::SegmentGradient(image, &markers);
  }
}
BENCHMARK(BM_Segmentation_SegmentGradient)->Unit(benchmark::kMillisecond);

void BM_Segmentation_SegmentGradient_RefOpenCvWatershed(benchmark::State& state)
{
  cv::Mat colour;
  cv::cvtColor(Texture(1280, 960, 4), colour, cv::COLOR_GRAY2BGR);
  const auto seeds = Seeds(1280, 960);
  cv::Mat markers(960, 1280, CV_32S);
  for (auto _ : state)
  {
    state.PauseTiming();
    markers.setTo(0);
    for (std::size_t i = 0; i < seeds.size(); ++i)
      markers.at<int>(seeds[i]) = static_cast<int>(1 + i % 255);
    state.ResumeTiming();
    cv::watershed(colour, markers);
  }
}
BENCHMARK(BM_Segmentation_SegmentGradient_RefOpenCvWatershed)->Unit(benchmark::kMillisecond);

// ---- dense optical flow ------------------------------------------------------------------
void BM_OpticalFlow_Calc(benchmark::State& state)
{
  const int w = static_cast<int>(state.range(0)), h = static_cast<int>(state.range(1));
  const cv::Mat base = Texture(w + 1, h, 6);
  const TCPx8bitImage previous = Wrap(base(cv::Rect(1, 0, w, h)).clone());
  const TCPx8bitImage next = Wrap(base(cv::Rect(0, 0, w, h)).clone());
  TCPxOpticalFlowCalculatorLucasKanade calculator;
  TCPxFloatImage fx(w, h), fy(w, h);
  for (auto _ : state)
  {
    calculator.CalcOpticalFlow(previous, next, &fx, &fy);
    benchmark::ClobberMemory();
  }
}
BENCHMARK(BM_OpticalFlow_Calc)->Args({640, 480})->Args({1280, 960})->Unit(benchmark::kMillisecond);

// The same arithmetic in OpenCV calls: 7 blurs, 2 derivatives, the products.
void BM_OpticalFlow_Calc_RefOpenCvArithmetic(benchmark::State& state)
{
  const int w = static_cast<int>(state.range(0)), h = static_cast<int>(state.range(1));
  const cv::Mat base = Texture(w + 1, h, 6);
  const cv::Mat previous = base(cv::Rect(1, 0, w, h)).clone();
  const cv::Mat next = base(cv::Rect(0, 0, w, h)).clone();
  const cv::Mat dx = (cv::Mat_<float>(1, 3) << -0.5f, 0.f, 0.5f);
  const cv::Mat dy = dx.t();
  cv::Mat f1, f2, a, b, ab, t, p, q, det, tr, disc, lambda, mask, u, v;
  for (auto _ : state)
  {
    previous.convertTo(f1, CV_32F, 1.0 / 255);
    next.convertTo(f2, CV_32F, 1.0 / 255);
    cv::GaussianBlur(f1, f1, cv::Size(9, 9), 2.0);
    cv::GaussianBlur(f2, f2, cv::Size(9, 9), 2.0);
    cv::filter2D(f1, a, CV_32F, dy);
    cv::filter2D(f1, b, CV_32F, dx);
    cv::multiply(a, b, ab);
    cv::subtract(f2, f1, t);
    cv::multiply(t, a, p, -1);
    cv::multiply(t, b, q, -1);
    cv::multiply(a, a, a);
    cv::multiply(b, b, b);
    for (cv::Mat* m : {&a, &b, &ab, &p, &q})
      cv::GaussianBlur(*m, *m, cv::Size(5, 5), 2.0);
    cv::multiply(a, b, det);
    cv::multiply(ab, ab, t);
    det -= t;
    cv::add(a, b, tr);
    cv::multiply(tr, tr, disc);
    cv::scaleAdd(det, -4.0, disc, disc);
    cv::max(disc, 0, disc);
    cv::sqrt(disc, disc);
    cv::addWeighted(tr, 0.5, disc, -0.5, 0, lambda);
    mask = lambda < 3e-6f;
    det.setTo(1, mask);
    cv::multiply(a, q, u);
    cv::multiply(ab, p, t);
    u -= t;
    cv::divide(u, det, u);
    u.setTo(0, mask);
    cv::multiply(b, p, v);
    cv::multiply(ab, q, t);
    v -= t;
    cv::divide(v, det, v);
    v.setTo(0, mask);
    benchmark::DoNotOptimize(v.data);
  }
}
BENCHMARK(BM_OpticalFlow_Calc_RefOpenCvArithmetic)->Args({640, 480})->Args({1280, 960})->Unit(benchmark::kMillisecond);
}  // namespace
