// Painting onto the memory-surface device context and importing interchange
// records, each beside the OpenCV calls or the copy doing the same work:
// an unscaled paint against flipping the rows and widening to 4 bytes, a
// stretched paint against a nearest-neighbour resize and the widening, the
// record import against memcpy of the same bytes. OpenCV runs on one thread,
// as the painting does, so that the ratios compare the same work.
#include <benchmark/benchmark.h>

#include <cstring>
#include <memory>
#include <vector>

#include <opencv2/core.hpp>
#include <opencv2/imgproc.hpp>

#include <pixolan/analysis/TCPxComUtils.h>
#include <pixolan/analysis/TCPxGUI.h>
#include <pixolan/model/TCPx24bitImage.h>
#include <pixolan/model/TCPx8bitImage.h>

namespace
{
constexpr int kWidth = 1920;
constexpr int kHeight = 1080;

template <typename Image>
std::unique_ptr<Image> RandomImage()
{
  auto image = std::make_unique<Image>(kWidth, kHeight);
  cv::randu(*image->GetFullMatPtr(), 0, 256);
  return image;
}

struct SurfaceDeleter
{
  void operator()(TCPxMemorySurface* hdc) const { DestroyMemorySurface(hdc); }
};
using Surface = std::unique_ptr<TCPxMemorySurface, SurfaceDeleter>;

int ToBgraCode(int channels)
{
  return channels == 1 ? cv::COLOR_GRAY2BGRA : cv::COLOR_BGR2BGRA;
}

template <typename Image>
void DrawAt(benchmark::State& state)
{
  const auto image = RandomImage<Image>();
  Surface hdc(CreateMemorySurface(kWidth, kHeight));
  for (auto _ : state)
  {
    benchmark::DoNotOptimize(TCPxGUI::DrawImageAt(hdc.get(), *image, 0, 0));
    benchmark::ClobberMemory();
  }
  state.SetItemsProcessed(state.iterations() * kWidth * kHeight);
}

template <typename Image>
void DrawAtReference(benchmark::State& state)
{
  cv::setNumThreads(1);
  const auto image = RandomImage<Image>();
  cv::Mat flipped, bgra(kHeight, kWidth, CV_8UC4);
  for (auto _ : state)
  {
    cv::flip(*image->GetFullMatPtr(), flipped, 0);
    cv::cvtColor(flipped, bgra, ToBgraCode(image->GetNrChannels()));
    benchmark::ClobberMemory();
  }
  state.SetItemsProcessed(state.iterations() * kWidth * kHeight);
}

template <typename Image>
void DrawInRect(benchmark::State& state)
{
  const auto image = RandomImage<Image>();
  Surface hdc(CreateMemorySurface(640, 360));
  for (auto _ : state)
  {
    benchmark::DoNotOptimize(TCPxGUI::DrawImageInRect(hdc.get(), *image, 0, 0, 640, 360));
    benchmark::ClobberMemory();
  }
  state.SetItemsProcessed(state.iterations() * 640 * 360);
}

template <typename Image>
void DrawInRectReference(benchmark::State& state)
{
  cv::setNumThreads(1);
  const auto image = RandomImage<Image>();
  cv::Mat small, bgra(360, 640, CV_8UC4);
  for (auto _ : state)
  {
    cv::resize(*image->GetFullMatPtr(), small, cv::Size(640, 360), 0, 0, cv::INTER_NEAREST);
    cv::flip(small, small, 0);
    cv::cvtColor(small, bgra, ToBgraCode(image->GetNrChannels()));
    benchmark::ClobberMemory();
  }
  state.SetItemsProcessed(state.iterations() * 640 * 360);
}

void BM_DrawImageAt8bit(benchmark::State& state)
{
  DrawAt<TCPx8bitImage>(state);
}
void BM_DrawImageAt8bit_RefFlipCvtColor(benchmark::State& state)
{
  DrawAtReference<TCPx8bitImage>(state);
}
void BM_DrawImageAt24bit(benchmark::State& state)
{
  DrawAt<TCPx24bitImage>(state);
}
void BM_DrawImageAt24bit_RefFlipCvtColor(benchmark::State& state)
{
  DrawAtReference<TCPx24bitImage>(state);
}
void BM_DrawImageInRect8bit(benchmark::State& state)
{
  DrawInRect<TCPx8bitImage>(state);
}
void BM_DrawImageInRect8bit_RefResizeCvtColor(benchmark::State& state)
{
  DrawInRectReference<TCPx8bitImage>(state);
}
void BM_DrawImageInRect24bit(benchmark::State& state)
{
  DrawInRect<TCPx24bitImage>(state);
}
void BM_DrawImageInRect24bit_RefResizeCvtColor(benchmark::State& state)
{
  DrawInRectReference<TCPx24bitImage>(state);
}

// A peer's record: 1920 x 1080 grey rows 2048 bytes apart.
struct PeerRecord
{
  std::vector<BYTE> bytes = std::vector<BYTE>(std::size_t(2048) * kHeight, 7);
  tagTCIdtPxImage record{0, kWidth, kHeight, bytes.data(), static_cast<int>(bytes.size()), 2048};
};

void BM_ConvertC2NImage8bit(benchmark::State& state)
{
  PeerRecord peer;
  for (auto _ : state)
    benchmark::DoNotOptimize(TCPxComUtils::ConvertC2NImage8bit(peer.record));
  state.SetBytesProcessed(state.iterations() * peer.record.bufferSize);
}

void BM_ConvertC2NImage8bit_RefMemcpy(benchmark::State& state)
{
  PeerRecord peer;
  std::vector<BYTE> target(peer.bytes.size());
  for (auto _ : state)
  {
    std::memcpy(target.data(), peer.bytes.data(), peer.bytes.size());
    benchmark::ClobberMemory();
  }
  state.SetBytesProcessed(state.iterations() * peer.record.bufferSize);
}
} // namespace

BENCHMARK(BM_DrawImageAt8bit)->Unit(benchmark::kMicrosecond);
BENCHMARK(BM_DrawImageAt8bit_RefFlipCvtColor)->Unit(benchmark::kMicrosecond);
BENCHMARK(BM_DrawImageAt24bit)->Unit(benchmark::kMicrosecond);
BENCHMARK(BM_DrawImageAt24bit_RefFlipCvtColor)->Unit(benchmark::kMicrosecond);
BENCHMARK(BM_DrawImageInRect8bit)->Unit(benchmark::kMicrosecond);
BENCHMARK(BM_DrawImageInRect8bit_RefResizeCvtColor)->Unit(benchmark::kMicrosecond);
BENCHMARK(BM_DrawImageInRect24bit)->Unit(benchmark::kMicrosecond);
BENCHMARK(BM_DrawImageInRect24bit_RefResizeCvtColor)->Unit(benchmark::kMicrosecond);
BENCHMARK(BM_ConvertC2NImage8bit)->Unit(benchmark::kMicrosecond);
BENCHMARK(BM_ConvertC2NImage8bit_RefMemcpy)->Unit(benchmark::kMicrosecond);
