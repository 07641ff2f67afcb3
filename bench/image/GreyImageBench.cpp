// Grey-image operations on a 1920 x 1080 frame beside the OpenCV call for the same job.
#include <benchmark/benchmark.h>

#include <random>

#include <opencv2/core.hpp>
#include <opencv2/imgproc.hpp>

#include <pixolan/pixolan.h>

namespace
{
constexpr int kW = 1920;
constexpr int kH = 1080;

void Noise(TCPx8bitImage& image, unsigned seed)
{
  cv::Mat m = *image.GetFullMatPtr();
  cv::setRNGSeed(static_cast<int>(seed));
  cv::randu(m, 0, 256);
}

struct Frames
{
  TCPx8bitImage a{kW, kH}, b{kW, kH}, mask{kW, kH};
  cv::Mat ma, mb, mm;
  Frames()
  {
    Noise(a, 1);
    Noise(b, 2);
    Noise(mask, 3);
    mask.SetMaximumValue(127, 0);
    ma = a.GetFullMatPtr()->clone();
    mb = b.GetFullMatPtr()->clone();
    mm = mask.GetFullMatPtr()->clone();
  }
};

#define PAIR(name, ours, ...)                                                                                       \
  void BM_##name(benchmark::State& state)                                                                          \
  {                                                                                                                \
    Frames f;                                                                                                      \
    for (auto _ : state)                                                                                           \
    {                                                                                                              \
      ours;                                                                                                        \
      benchmark::ClobberMemory();                                                                                  \
    }                                                                                                              \
  }                                                                                                                \
  BENCHMARK(BM_##name);                                                                                            \
  void BM_##name##_RefOpenCv(benchmark::State& state)                                                                 \
  {                                                                                                                \
    Frames f;                                                                                                      \
    for (auto _ : state)                                                                                           \
    {                                                                                                              \
      __VA_ARGS__;                                                                                                 \
      benchmark::ClobberMemory();                                                                                  \
    }                                                                                                              \
  }                                                                                                                \
  BENCHMARK(BM_##name##_RefOpenCv);

PAIR(Add, f.a += f.b, cv::add(f.ma, f.mb, f.ma))
PAIR(Subtract, f.a -= f.b, cv::subtract(f.ma, f.mb, f.ma))
PAIR(Multiply, f.a *= f.b, cv::multiply(f.ma, f.mb, f.ma, 0.5))
PAIR(Fill, f.a.Fill(17), f.ma.setTo(cv::Scalar(17)))
PAIR(SetMasked, f.a.Set(17, f.mask), f.ma.setTo(cv::Scalar(17), f.mm))
PAIR(CopyMasked, f.a.Copy(f.b, f.mask), f.mb.copyTo(f.ma, f.mm))
PAIR(Threshold, f.a.SetMaximumValue(100), cv::threshold(f.ma, f.ma, 100, 255, cv::THRESH_TRUNC))
PAIR(Sum, benchmark::DoNotOptimize(f.a.Sum()), benchmark::DoNotOptimize(cv::sum(f.ma)))
PAIR(MinMax, benchmark::DoNotOptimize(f.a.GetMaximumValueAndPos()),
     { double lo, hi; cv::minMaxLoc(f.ma, &lo, &hi); benchmark::DoNotOptimize(hi); })
PAIR(MaskedMax, benchmark::DoNotOptimize(f.a.GetMaximumValue(f.mask)),
     { double lo, hi; cv::minMaxLoc(f.ma, &lo, &hi, nullptr, nullptr, f.mm); benchmark::DoNotOptimize(hi); })
PAIR(OtsuMasked, benchmark::DoNotOptimize(f.a.GetOtsuThreshold(f.mask)),
     { cv::Mat out; benchmark::DoNotOptimize(cv::threshold(f.ma, out, 0, 255, cv::THRESH_BINARY | cv::THRESH_OTSU)); })
} // namespace
