#include <tarvek/resizer/TCTfTrfStridedFrameTransform.h>

#include <algorithm>
#include <cstddef>
#include <cstring>
#include <exception>
#include <execution>
#include <new>
#include <thread>

#include <PxResizePrimitives.h>
#include <tarvek/resizer/TCTfTrfSizeRules.h>

namespace
{
// Output frames below this many pixels are resized on the calling thread:
// handing bands to workers costs more than it saves.
constexpr long long kBandMinimumPixels = 1LL << 18;
// Each band holds at least this many output pixels.
constexpr long long kBandPixels = 1LL << 17;

// True when `length` bytes at `stride` hold `height` rows of `rowBytes`.
bool CoversFrame(long long stride, long long length, long long rowBytes, long long height)
{
  return stride >= rowBytes && stride <= INT_MAX && (height - 1) * stride + rowBytes <= length;
}

bool Matches(const TCTfTrfFrameFormat& f, TCTfTrfPixelLayout layout, int width, int height)
{
  return f.layout == layout && f.width == width && f.height == height;
}

// The row to read first: the last one in memory when the rows are to come
// out reversed (the walk then goes upwards).
const std::uint8_t* FirstRow(const std::uint8_t* buffer, std::ptrdiff_t stride, int height, bool reverse)
{
  return reverse ? buffer + static_cast<std::ptrdiff_t>(height - 1) * stride : buffer;
}
} // namespace

TCTfTrfStridedFrameTransform::TCTfTrfStridedFrameTransform() = default;
TCTfTrfStridedFrameTransform::~TCTfTrfStridedFrameTransform() = default;

TCTfTrfStridedFrameTransform::Status TCTfTrfStridedFrameTransform::Configure(TCTfTrfPixelLayout layout,
                                                                             int inputWidth, int inputHeight,
                                                                             int outputWidth, int outputHeight)
{
  Reset();
  if (!TCTfTrfSizeRules::FitsFrame(layout, inputWidth, inputHeight) ||
      !TCTfTrfSizeRules::FitsFrame(layout, outputWidth, outputHeight))
    return Status::Refused;
  const bool resize = inputWidth != outputWidth || inputHeight != outputHeight;
  try
  {
    if (resize)
    {
      const int pixelBytes = TCTfTrfFrameFormat::PixelBytes(layout);
      m_xOffsets.resize(static_cast<std::size_t>(outputWidth));
      m_yRows.resize(static_cast<std::size_t>(outputHeight));
      PxPrim::NearestCentreTable(outputWidth, inputWidth, pixelBytes, m_xOffsets.data());
      PxPrim::NearestCentreTable(outputHeight, inputHeight, 1, m_yRows.data());
      m_wordPixels3 = pixelBytes == 3 ? PxPrim::WordPixels3(m_xOffsets.data(), outputWidth, inputWidth) : 0;
      m_shuffles = std::make_unique<PxPrim::NearestRowShuffles>();
      PxPrim::BuildNearestRowShuffles(m_xOffsets.data(), outputWidth, inputWidth, pixelBytes, m_shuffles.get());
      const long long pixels = static_cast<long long>(outputWidth) * outputHeight;
      const long long workers = std::max(1u, std::thread::hardware_concurrency());
      long long bands = 1;
      if (pixels >= kBandMinimumPixels)
        bands = std::min({pixels / kBandPixels, 2 * workers, static_cast<long long>(outputHeight)});
      m_bands.reserve(static_cast<std::size_t>(bands));
      for (long long b = 0; b < bands; ++b)
        m_bands.push_back(
          Band{static_cast<int>(b * outputHeight / bands), static_cast<int>((b + 1) * outputHeight / bands)});
    }
  }
  catch (const std::bad_alloc&)
  {
    Reset();
    return Status::OutOfMemory;
  }
  m_layout = layout;
  m_inWidth = inputWidth;
  m_inHeight = inputHeight;
  m_outWidth = outputWidth;
  m_outHeight = outputHeight;
  m_configured = true;
  return Status::Ready;
}

void TCTfTrfStridedFrameTransform::Reset()
{
  m_configured = false;
  m_inWidth = m_inHeight = m_outWidth = m_outHeight = 0;
  m_wordPixels3 = 0;
  std::vector<int>().swap(m_xOffsets);
  std::vector<int>().swap(m_yRows);
  std::vector<Band>().swap(m_bands);
  m_shuffles.reset();
}

bool TCTfTrfStridedFrameTransform::Transform(const TCTfTrfFrameFormat& in, const std::uint8_t* input,
                                             long long inputLength, const TCTfTrfFrameFormat& out,
                                             std::uint8_t* output, long long outputLength) const
{
  if (!m_configured || !input || !output)
    return false;
  if (!Matches(in, m_layout, m_inWidth, m_inHeight) || !Matches(out, m_layout, m_outWidth, m_outHeight))
    return false;
  if (!CoversFrame(in.stride, inputLength, in.RowBytes(), in.height) ||
      !CoversFrame(out.stride, outputLength, out.RowBytes(), out.height))
    return false;

  // Output rows are written top to bottom in memory; the input is walked
  // from its last row upwards when the two orders differ.
  const bool reverse = in.order != out.order;
  const std::ptrdiff_t inStride = reverse ? -static_cast<std::ptrdiff_t>(in.stride) : in.stride;
  const std::ptrdiff_t outStride = static_cast<std::ptrdiff_t>(out.stride);
  const std::uint8_t* source = FirstRow(input, static_cast<std::ptrdiff_t>(in.stride), in.height, reverse);

  if (m_xOffsets.empty())
  {
    const std::size_t rowBytes = static_cast<std::size_t>(in.RowBytes());
    for (int r = 0; r < in.height; ++r)
      std::memcpy(output + r * outStride, source + r * inStride, rowBytes);
    return true;
  }

  const int pixelBytes = TCTfTrfFrameFormat::PixelBytes(m_layout);
  const auto rows = [&](const Band& band) {
    PxPrim::ResizeNearestRows(source, inStride, output, outStride, m_outWidth, band.begin, band.end, pixelBytes,
                              m_xOffsets.data(), m_yRows.data(), m_wordPixels3, m_shuffles.get());
  };
  if (m_bands.size() > 1)
  {
    try
    {
      std::for_each(std::execution::par, m_bands.begin(), m_bands.end(), rows);
      return true;
    }
    catch (const std::exception&)
    {
      // No workers to be had: every band again on this thread (each output
      // row depends on the input alone).
    }
  }
  std::for_each(m_bands.begin(), m_bands.end(), rows);
  return true;
}
