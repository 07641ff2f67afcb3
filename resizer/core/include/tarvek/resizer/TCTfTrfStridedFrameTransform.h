#pragma once
// Per-frame work of the resizer for hosts that hand over frames as plain rows
// at explicit strides: copies, flips or nearest-neighbour resizes one frame,
// through two work images of the negotiated frame sizes.
#include <memory>

#include <tarvek/resizer/TCTfTrfVideoFormat.h>

class TCPxByteImage;

class TCTfTrfStridedFrameTransform
{
public:
  TCTfTrfStridedFrameTransform();
  ~TCTfTrfStridedFrameTransform();
  TCTfTrfStridedFrameTransform(const TCTfTrfStridedFrameTransform&) = delete;
  TCTfTrfStridedFrameTransform& operator=(const TCTfTrfStridedFrameTransform&) = delete;

  /// Replaces the work images by two new ones of the subtype's image class
  /// (RGB32: 32-bit, RGB24: 24-bit, Y800: 8-bit), of the input and the output
  /// size. Another subtype or a size below 1 leaves none. Returns S_OK,
  /// S_FALSE when no images were made, E_OUTOFMEMORY when allocation failed.
  HRESULT CreateWorkImages(const GUID& subtype, int inputWidth, int inputHeight, int outputWidth, int outputHeight);
  /// Drops both work images.
  void ReleaseWorkImages();
  bool HasWorkImages() const { return m_input && m_output; }
  /// Bytes per pixel of the work images; 0 without them.
  int PixelSize() const;
  const TCPxByteImage* GetInputImage() const { return m_input.get(); }
  const TCPxByteImage* GetOutputImage() const { return m_output.get(); }

  /// Moves one frame of the work images' sizes. Row r of the input starts at
  /// `input + r * inputStride`, row r of the output at `output + r *
  /// outputStride`; the buffers hold `inputLength` and `outputLength` bytes.
  /// With `flip` the output rows come out in reverse order. The frame is
  /// copied when both sizes are equal and resized by nearest-neighbour
  /// sampling otherwise. The input buffer is only read.
  ///
  /// S_OK when the frame was written; S_FALSE (nothing written) without work
  /// images, for a null buffer, a stride shorter than a row, or a buffer that
  /// does not cover its frame.
  HRESULT Transform(const BYTE* input, long long inputStride, long long inputLength, BYTE* output,
                    long long outputStride, long long outputLength, bool flip = false);

private:
  std::unique_ptr<TCPxByteImage> m_input;
  std::unique_ptr<TCPxByteImage> m_output;
};
