// Conversions and utilities on a 1920 x 1080 frame beside the OpenCV calls for the same job.
#include <benchmark/benchmark.h>

#include <vector>

#include <opencv2/core.hpp>
#include <opencv2/imgproc.hpp>

#include <pixolan/model/TCPx24bitImage.h>
#include <pixolan/model/TCPx8bitImage.h>
#include <pixolan/model/TCPxConversion.h>
#include <pixolan/model/TCPxFloatImage.h>
#include <pixolan/model/TCPxUtil.h>

namespace
{
constexpr int kW = 1920;
constexpr int kH = 1080;

void Noise(const TCPxImageBase& image, int seed, double lo, double hi)
{
  cv::Mat m = *image.GetFullMatPtr();
  cv::setRNGSeed(seed);
  cv::randu(m, lo, hi);
}

void BM_UtilByte2Float(benchmark::State& state)
{
  TCPx8bitImage grey(kW, kH);
  TCPxFloatImage out(kW, kH);
  Noise(grey, 1, 0, 256);
  for (auto _ : state)
  {
    TCPxConversion::Byte2Float(grey, &out);
    benchmark::ClobberMemory();
  }
}
BENCHMARK(BM_UtilByte2Float);

void BM_UtilByte2Float_RefOpenCv(benchmark::State& state)
{
  cv::Mat grey(kH, kW, CV_8U), out(kH, kW, CV_32F);
  cv::randu(grey, 0, 256);
  for (auto _ : state)
  {
    grey.convertTo(out, CV_32F);
    benchmark::ClobberMemory();
  }
}
BENCHMARK(BM_UtilByte2Float_RefOpenCv);

void BM_UtilFloat2Byte(benchmark::State& state)
{
  TCPxFloatImage in(kW, kH);
  TCPx8bitImage out(kW, kH);
  Noise(in, 2, -20.0, 280.0);
  for (auto _ : state)
  {
    TCPxConversion::Float2Byte(in, &out);
    benchmark::ClobberMemory();
  }
}
BENCHMARK(BM_UtilFloat2Byte);

void BM_UtilFloat2Byte_RefOpenCv(benchmark::State& state)
{
  cv::Mat in(kH, kW, CV_32F), out(kH, kW, CV_8U);
  cv::randu(in, -20.0, 280.0);
  for (auto _ : state)
  {
    in.convertTo(out, CV_8U);
    benchmark::ClobberMemory();
  }
}
BENCHMARK(BM_UtilFloat2Byte_RefOpenCv);

struct Planes
{
  TCPx24bitImage colour{kW, kH};
  TCPx8bitImage b{kW, kH}, g{kW, kH}, r{kW, kH};
  TCPx8bitImage* planes[3] = {&b, &g, &r};
  cv::Mat mColour, mPlanes[3];
  Planes()
  {
    Noise(colour, 3, 0, 256);
    mColour = colour.GetFullMatPtr()->clone();
    for (cv::Mat& p : mPlanes)
      p = cv::Mat(kH, kW, CV_8U);
  }
};

void BM_UtilSplit(benchmark::State& state)
{
  Planes p;
  for (auto _ : state)
  {
    TCPxUtil::Split(p.colour, p.planes);
    benchmark::ClobberMemory();
  }
}
BENCHMARK(BM_UtilSplit);

void BM_UtilSplit_RefOpenCv(benchmark::State& state)
{
  Planes p;
  for (auto _ : state)
  {
    cv::split(p.mColour, p.mPlanes);
    benchmark::ClobberMemory();
  }
}
BENCHMARK(BM_UtilSplit_RefOpenCv);

void BM_UtilMerge(benchmark::State& state)
{
  Planes p;
  for (auto _ : state)
  {
    TCPxUtil::Merge(p.planes, &p.colour);
    benchmark::ClobberMemory();
  }
}
BENCHMARK(BM_UtilMerge);

void BM_UtilMerge_RefOpenCv(benchmark::State& state)
{
  Planes p;
  for (auto _ : state)
  {
    cv::merge(p.mPlanes, 3, p.mColour);
    benchmark::ClobberMemory();
  }
}
BENCHMARK(BM_UtilMerge_RefOpenCv);

// A smooth field with a few hundred local maxima, as a filter response would give.
void PeakField(cv::Mat& m)
{
  cv::setRNGSeed(4);
  cv::Mat noise(m.size(), CV_32F);
  cv::randu(noise, 0.0, 1.0);
  cv::GaussianBlur(noise, m, cv::Size(0, 0), 12.0);
}

void BM_UtilFindPeaks(benchmark::State& state)
{
  TCPxFloatImage image(kW, kH);
  cv::Mat m = *image.GetFullMatPtr();
  PeakField(m);
  for (auto _ : state)
    benchmark::DoNotOptimize(TCPxUtil::FindPeaks(image, 0.5, 100000));
}
BENCHMARK(BM_UtilFindPeaks);

void BM_UtilFindPeaks_RefOpenCv(benchmark::State& state)
{
  cv::Mat m(kH, kW, CV_32F), dilated, peaks;
  PeakField(m);
  std::vector<cv::Point> points;
  for (auto _ : state)
  {
    cv::dilate(m, dilated, cv::Mat(), cv::Point(-1, -1), 1, cv::BORDER_REPLICATE);
    peaks = (m >= dilated) & (m > 0.5f);
    cv::findNonZero(peaks, points);
    benchmark::DoNotOptimize(points.data());
  }
}
BENCHMARK(BM_UtilFindPeaks_RefOpenCv);
} // namespace
