// Colour-image frame imports and fills on 1920 x 1080 beside OpenCV.
#include <benchmark/benchmark.h>

#include <vector>

#include <opencv2/core.hpp>
#include <opencv2/imgproc.hpp>

#include <pixolan/pixolan.h>

namespace
{
constexpr int kW = 1920;
constexpr int kH = 1080;

void BM_Fill24(benchmark::State& state)
{
  TCPx24bitImage image(kW, kH);
  for (auto _ : state)
  {
    image.Fill(0x102030ul);
    benchmark::ClobberMemory();
  }
}
BENCHMARK(BM_Fill24);

void BM_Fill24_RefOpenCv(benchmark::State& state)
{
  cv::Mat m(kH, kW, CV_8UC3);
  for (auto _ : state)
  {
    m.setTo(cv::Scalar(0x30, 0x20, 0x10));
    benchmark::ClobberMemory();
  }
}
BENCHMARK(BM_Fill24_RefOpenCv);

void BM_Import32To24(benchmark::State& state)
{
  TCPx24bitImage image(kW, kH);
  std::vector<unsigned char> frame(static_cast<std::size_t>(kW) * 4 * kH, 7);
  for (auto _ : state)
  {
    image.CopyBuffer(frame.data(), static_cast<int>(frame.size()), kW * 4);
    benchmark::ClobberMemory();
  }
}
BENCHMARK(BM_Import32To24);

void BM_Import32To24_RefOpenCv(benchmark::State& state)
{
  cv::Mat src(kH, kW, CV_8UC4, cv::Scalar::all(7)), dst(kH, kW, CV_8UC3);
  for (auto _ : state)
  {
    cv::cvtColor(src, dst, cv::COLOR_BGRA2BGR);
    benchmark::ClobberMemory();
  }
}
BENCHMARK(BM_Import32To24_RefOpenCv);

void BM_ImportYV12(benchmark::State& state)
{
  TCPx24bitImage image(kW, kH);
  cv::Mat frame(kH * 3 / 2, kW, CV_8UC1);
  cv::randu(frame, 0, 256);
  for (auto _ : state)
  {
    image.CopyBufferYV12(frame.data);
    benchmark::ClobberMemory();
  }
}
BENCHMARK(BM_ImportYV12);

// Other coefficients than ours: a speed reference only.
void BM_ImportYV12_RefOpenCv(benchmark::State& state)
{
  cv::Mat frame(kH * 3 / 2, kW, CV_8UC1), dst(kH, kW, CV_8UC3);
  cv::randu(frame, 0, 256);
  for (auto _ : state)
  {
    cv::cvtColor(frame, dst, cv::COLOR_YUV2BGR_YV12);
    benchmark::ClobberMemory();
  }
}
BENCHMARK(BM_ImportYV12_RefOpenCv);
} // namespace
