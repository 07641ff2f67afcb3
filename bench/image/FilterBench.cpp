// Threshold, morphology, rank and fixed-kernel filters on a 1920 x 1080 grey
// frame beside the OpenCV calls for the same job.
#include <benchmark/benchmark.h>

#include <opencv2/core.hpp>
#include <opencv2/imgproc.hpp>

#include <pixolan/pixolan.h>

namespace
{
constexpr int kW = 1920;
constexpr int kH = 1080;

struct Frame
{
  TCPx8bitImage source{kW, kH};
  TCPx8bitImage target{kW, kH};
  cv::Mat src, dst, dst16;
  Frame()
  {
    cv::Mat m = *source.GetFullMatPtr();
    cv::randu(m, 0, 256);
    src = m.clone();
    dst = cv::Mat(kH, kW, CV_8UC1);
  }
};

template <class Filter>
void RunFilter(benchmark::State& state, const Filter& filter)
{
  Frame f;
  for (auto _ : state)
  {
    filter.ProcessImage(&f.source, &f.target);
    benchmark::ClobberMemory();
  }
}

void BM_Min(benchmark::State& s) { RunFilter(s, TCPxFilterMin(static_cast<int>(s.range(0)))); }
void BM_Max(benchmark::State& s) { RunFilter(s, TCPxFilterMax(static_cast<int>(s.range(0)))); }
void BM_Median(benchmark::State& s) { RunFilter(s, TCPxFilterMedian(static_cast<int>(s.range(0)))); }
void BM_Range(benchmark::State& s) { RunFilter(s, TCPxFilterRange(static_cast<int>(s.range(0)))); }
void BM_Erode(benchmark::State& s) { RunFilter(s, TCPxFilterMorphology(Px::Erode, static_cast<int>(s.range(0)), false)); }
void BM_Dilate(benchmark::State& s) { RunFilter(s, TCPxFilterMorphology(Px::Dilate, static_cast<int>(s.range(0)), false)); }
void BM_DoubleThreshold(benchmark::State& s) { RunFilter(s, TCPxFilterDoubleThreshold(50, 150)); }
void BM_SobelHoriz(benchmark::State& s) { RunFilter(s, TCPxFilterFixed(Px::EFixedFilters::SobelHoriz, 3)); }
BENCHMARK(BM_Min)->Arg(3)->Arg(5);
BENCHMARK(BM_Max)->Arg(3)->Arg(5);
BENCHMARK(BM_Median)->Arg(3)->Arg(5);
BENCHMARK(BM_Range)->Arg(3);
BENCHMARK(BM_Erode)->Arg(1)->Arg(5);
BENCHMARK(BM_Dilate)->Arg(1)->Arg(5);
BENCHMARK(BM_DoubleThreshold);
BENCHMARK(BM_SobelHoriz);

void BM_Min_RefOpenCvErode(benchmark::State& s)
{
  Frame f;
  const int k = static_cast<int>(s.range(0));
  const cv::Mat kernel = cv::Mat::ones(k, k, CV_8UC1);
  for (auto _ : s)
  {
    cv::erode(f.src, f.dst, kernel);
    benchmark::ClobberMemory();
  }
}
void BM_Erode_RefOpenCv(benchmark::State& s)
{
  Frame f;
  for (auto _ : s)
  {
    cv::erode(f.src, f.dst, cv::Mat::ones(3, 3, CV_8UC1), cv::Point(-1, -1), static_cast<int>(s.range(0)));
    benchmark::ClobberMemory();
  }
}
void BM_Median_RefOpenCv(benchmark::State& s)
{
  Frame f;
  for (auto _ : s)
  {
    cv::medianBlur(f.src, f.dst, static_cast<int>(s.range(0)));
    benchmark::ClobberMemory();
  }
}
void BM_Range_RefOpenCv(benchmark::State& s)
{
  Frame f;
  const cv::Mat kernel = cv::Mat::ones(3, 3, CV_8UC1);
  cv::Mat lo, hi;
  for (auto _ : s)
  {
    cv::erode(f.src, lo, kernel);
    cv::dilate(f.src, hi, kernel);
    cv::subtract(hi, lo, f.dst);
    benchmark::ClobberMemory();
  }
}
void BM_DoubleThreshold_RefOpenCv(benchmark::State& s)
{
  Frame f;
  cv::Mat a, b;
  for (auto _ : s)
  {
    cv::threshold(f.src, a, 49, 255, cv::THRESH_BINARY);
    cv::threshold(f.src, b, 150, 255, cv::THRESH_BINARY_INV);
    cv::bitwise_and(a, b, f.dst);
    benchmark::ClobberMemory();
  }
}
void BM_SobelHoriz_RefOpenCv(benchmark::State& s)
{
  Frame f;
  for (auto _ : s)
  {
    cv::Sobel(f.src, f.dst16, CV_16S, 0, 1, 3, 0.25, 0, cv::BORDER_REPLICATE);
    benchmark::ClobberMemory();
  }
}
BENCHMARK(BM_Min_RefOpenCvErode)->Arg(3)->Arg(5);
BENCHMARK(BM_Erode_RefOpenCv)->Arg(1)->Arg(5);
BENCHMARK(BM_Median_RefOpenCv)->Arg(3)->Arg(5);
BENCHMARK(BM_Range_RefOpenCv);
BENCHMARK(BM_DoubleThreshold_RefOpenCv);
BENCHMARK(BM_SobelHoriz_RefOpenCv);
} // namespace
