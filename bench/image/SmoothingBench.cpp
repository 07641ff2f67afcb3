// Smoothing, edge and frequency filters beside OpenCV (1920 x 1080 grey; SNN and
// Kuwahara also on the 1280 x 1024 frames of the plate detector).
#include <benchmark/benchmark.h>

#include <opencv2/core.hpp>
#include <opencv2/imgproc.hpp>

#include <pixolan/pixolan.h>

namespace
{
struct GreyFrame
{
  TCPx8bitImage source, target;
  cv::Mat src, dst;
  GreyFrame(int w, int h) : source(w, h), target(w, h)
  {
    cv::Mat m = *source.GetFullMatPtr();
    cv::randu(m, 0, 256);
    src = m.clone();
    dst = cv::Mat(h, w, CV_8UC1);
  }
};

void Run(benchmark::State& state, const TCPxImageFilter& filter, int w = 1920, int h = 1080)
{
  GreyFrame f(w, h);
  for (auto _ : state)
  {
    filter.ProcessImage(&f.source, &f.target);
    benchmark::ClobberMemory();
  }
}

void BM_Gauss(benchmark::State& s) { Run(s, TCPxFilterGauss(static_cast<int>(s.range(0)), 2.0)); }
BENCHMARK(BM_Gauss)->Arg(5)->Arg(9);
void BM_Gauss_RefOpenCvViaFloat(benchmark::State& s)
{
  GreyFrame f(1920, 1080);
  const int k = static_cast<int>(s.range(0));
  cv::Mat floats, out;
  for (auto _ : s)
  {
    f.src.convertTo(floats, CV_32F);
    cv::GaussianBlur(floats, floats, cv::Size(k, k), 2.0);
    floats.convertTo(f.dst, CV_8U);
  }
}
BENCHMARK(BM_Gauss_RefOpenCvViaFloat)->Arg(5)->Arg(9);
void BM_Gauss_RefOpenCv(benchmark::State& s)
{
  GreyFrame f(1920, 1080);
  const int k = static_cast<int>(s.range(0));
  for (auto _ : s)
    cv::GaussianBlur(f.src, f.dst, cv::Size(k, k), 2.0);
}
BENCHMARK(BM_Gauss_RefOpenCv)->Arg(5)->Arg(9);

void BM_DoG(benchmark::State& s) { Run(s, TCPxFilterDoG(7, 1.0, 3.0)); }
BENCHMARK(BM_DoG);
void BM_DoG_RefOpenCv(benchmark::State& s)
{
  GreyFrame f(1920, 1080);
  const cv::Mat g1 = cv::getGaussianKernel(7, 1.0, CV_32F), g2 = cv::getGaussianKernel(7, 3.0, CV_32F);
  const cv::Mat kernel = g1 * g1.t() - g2 * g2.t();
  cv::Mat floats, out;
  for (auto _ : s)
  {
    f.src.convertTo(floats, CV_32F);
    cv::filter2D(floats, out, -1, kernel);
  }
}
BENCHMARK(BM_DoG_RefOpenCv);

void BM_Bilateral(benchmark::State& s) { Run(s, TCPxFilterBilateral(5)); }
BENCHMARK(BM_Bilateral)->Unit(benchmark::kMillisecond);
void BM_Bilateral_RefOpenCv(benchmark::State& s)
{
  GreyFrame f(1920, 1080);
  for (auto _ : s)
    cv::bilateralFilter(f.src, f.dst, 5, 150, 3);
}
BENCHMARK(BM_Bilateral_RefOpenCv)->Unit(benchmark::kMillisecond);

void BM_SNN(benchmark::State& s) { Run(s, TCPxFilterSNN(5), 1280, 1024); }
BENCHMARK(BM_SNN)->Unit(benchmark::kMillisecond);
void BM_Kuwahara(benchmark::State& s) { Run(s, TCPxFilterKuwahara(5), 1280, 1024); }
BENCHMARK(BM_Kuwahara)->Unit(benchmark::kMillisecond);
void BM_SNN_RefOpenCvBox7(benchmark::State& s)
{
  GreyFrame f(1280, 1024);
  for (auto _ : s)
    cv::blur(f.src, f.dst, cv::Size(7, 7));
}
BENCHMARK(BM_SNN_RefOpenCvBox7)->Unit(benchmark::kMillisecond);

void BM_PMDiffusion(benchmark::State& s) { Run(s, TCPxFilterPMDiffusion(), 640, 480); }
BENCHMARK(BM_PMDiffusion)->Unit(benchmark::kMillisecond);

void BM_ConvolutionSame(benchmark::State& s)
{
  TCPxFloatImage kernel(5, 5);
  kernel.Fill(1.0f / 25);
  Run(s, TCPxFilterConvolution(&kernel, Px::ConvolutionSame));
}
BENCHMARK(BM_ConvolutionSame);
void BM_ConvolutionSame_RefOpenCv(benchmark::State& s)
{
  GreyFrame f(1920, 1080);
  const cv::Mat kernel(5, 5, CV_32F, cv::Scalar(1.0f / 25));
  for (auto _ : s)
    cv::filter2D(f.src, f.dst, -1, kernel, cv::Point(-1, -1), 0, cv::BORDER_REFLECT_101);
}
BENCHMARK(BM_ConvolutionSame_RefOpenCv);
} // namespace
