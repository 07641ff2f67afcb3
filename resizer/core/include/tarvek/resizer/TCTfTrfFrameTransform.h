#pragma once
// Per-frame work of the resizer plug-in: copies, flips or nearest-neighbour
// resizes one frame from an input sample buffer into an output sample buffer,
// through two work images (of the image library) of the connection's frame
// sizes.
#include <memory>

#include <tarvek/resizer/TCTfTrfPixelFormat.h>
#include <tarvek/resizer/TCTfTrfVideoFormat.h>

class TCPxByteImage;

class TCTfTrfFrameTransform
{
public:
  TCTfTrfFrameTransform();
  ~TCTfTrfFrameTransform();
  TCTfTrfFrameTransform(const TCTfTrfFrameTransform&) = delete;
  TCTfTrfFrameTransform& operator=(const TCTfTrfFrameTransform&) = delete;

  /// Replaces the work images by two new ones of the subtype's image class
  /// (RGB32: 32-bit, RGB24: 24-bit, Y800: 8-bit), of the input and the output
  /// size. Another subtype or a size below 1 leaves none. Returns S_OK,
  /// S_FALSE when no images were made, E_OUTOFMEMORY when allocation failed.
  HRESULT CreateWorkImages(const GUID& subtype, int inputWidth, int inputHeight, int outputWidth, int outputHeight);
  /// Drops both work images.
  void ReleaseWorkImages();
  bool HasWorkImages() const { return m_input && m_output; }
  const TCPxByteImage* GetInputImage() const { return m_input.get(); }
  const TCPxByteImage* GetOutputImage() const { return m_output.get(); }

  /// Moves one frame. `input` and `output` describe the two sample buffers of
  /// `inputLength` and `outputLength` bytes, whose rows are DIB rows. The rows
  /// are flipped when exactly one side is bottom-up; the frame is resized when
  /// the sizes differ. The input buffer is only read.
  ///
  /// S_OK when the frame was written; S_FALSE (nothing written) when either
  /// type has no usable frame, the subtypes or sizes do not match the work
  /// images, or a buffer is null or shorter than its frame.
  HRESULT Transform(const TCTfTrfVideoFormat& input, const BYTE* inputBuffer, long long inputLength,
                    const TCTfTrfVideoFormat& output, BYTE* outputBuffer, long long outputLength);

private:
  /// The frame in pixel terms, moved through the work images.
  HRESULT Move(const TCTfTrfFrameFormat& in, const BYTE* input, long long inputLength,
               const TCTfTrfFrameFormat& out, BYTE* output, long long outputLength);

  std::unique_ptr<TCPxByteImage> m_input;
  std::unique_ptr<TCPxByteImage> m_output;
};
