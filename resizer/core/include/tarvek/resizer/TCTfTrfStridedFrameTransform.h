#pragma once
// Per-frame work of the resize core over plain rows at explicit strides:
// copies, flips or nearest-neighbour resizes one frame between two buffers.
// Everything a frame size needs (the sampling tables, the split into row
// bands) is prepared once by Configure; Transform allocates nothing.
#include <cstdint>
#include <memory>
#include <vector>

#include <tarvek/resizer/TCTfTrfPixelFormat.h>

namespace PxPrim
{
struct NearestRowShuffles;
}

class TCTfTrfStridedFrameTransform
{
public:
  TCTfTrfStridedFrameTransform();
  ~TCTfTrfStridedFrameTransform();
  TCTfTrfStridedFrameTransform(const TCTfTrfStridedFrameTransform&) = delete;
  TCTfTrfStridedFrameTransform& operator=(const TCTfTrfStridedFrameTransform&) = delete;

  enum class Status
  {
    Ready,       ///< configured
    Refused,     ///< a size below 1 or a frame that does not fit 31 bits
    OutOfMemory, ///< the tables could not be had
  };

  /// Fixes the pixel layout and the input and output frame sizes, and builds
  /// the sampling tables when the sizes differ. Any earlier configuration is
  /// dropped first, also when this one fails.
  Status Configure(TCTfTrfPixelLayout layout, int inputWidth, int inputHeight, int outputWidth, int outputHeight);
  /// Drops the configuration and its tables.
  void Reset();
  bool IsConfigured() const { return m_configured; }
  TCTfTrfPixelLayout Layout() const { return m_layout; }

  /// Moves one frame of the configured layout and sizes from `input`
  /// (`inputLength` bytes) to `output` (`outputLength` bytes). The rows are
  /// reversed when the two row orders differ; the frame is copied when the
  /// sizes are equal and resized by sampling at pixel centres otherwise. The
  /// input is only read.
  ///
  /// True when the frame was written. False (nothing written) when not
  /// configured, when a format's layout or size is not the configured one,
  /// for a null buffer, a stride shorter than a row or a buffer that does
  /// not cover its frame.
  bool Transform(const TCTfTrfFrameFormat& in, const std::uint8_t* input, long long inputLength,
                 const TCTfTrfFrameFormat& out, std::uint8_t* output, long long outputLength) const;

private:
  struct Band
  {
    int begin;
    int end;
  };

  bool m_configured = false;
  TCTfTrfPixelLayout m_layout = TCTfTrfPixelLayout::Bgrx32;
  int m_inWidth = 0;
  int m_inHeight = 0;
  int m_outWidth = 0;
  int m_outHeight = 0;
  std::vector<int> m_xOffsets; ///< source byte offset of each output column
  std::vector<int> m_yRows;    ///< source row of each output row
  int m_wordPixels3 = 0;       ///< leading 3-byte pixels moved as words
  std::unique_ptr<PxPrim::NearestRowShuffles> m_shuffles; ///< byte shuffles of a row, where they apply
  std::vector<Band> m_bands;   ///< output rows worked on in parallel
};
