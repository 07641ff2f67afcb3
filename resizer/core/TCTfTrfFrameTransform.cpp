#include <tarvek/resizer/TCTfTrfFrameTransform.h>

#include <pixolan/model/TCPxByteImage.h>
#include <tarvek/resizer/TCTfTrfFormatRules.h>

TCTfTrfFrameTransform::TCTfTrfFrameTransform() = default;
TCTfTrfFrameTransform::~TCTfTrfFrameTransform() = default;

HRESULT TCTfTrfFrameTransform::Transform(const TCTfTrfVideoFormat& input, const BYTE* inputBuffer,
                                         long long inputLength, const TCTfTrfVideoFormat& output,
                                         BYTE* outputBuffer, long long outputLength)
{
  if (!HasWorkImages() || !inputBuffer || !outputBuffer)
    return S_FALSE;
  TCTfTrfFrameGeometry in;
  TCTfTrfFrameGeometry out;
  if (!TCTfTrfFormatRules::GetFrameGeometry(input, &in) || !TCTfTrfFormatRules::GetFrameGeometry(output, &out))
    return S_FALSE;
  const TCPxByteImage& inImage = *GetInputImage();
  const TCPxByteImage& outImage = *GetOutputImage();
  const int pixelSize = inImage.GetPixelSize();
  if (in.pixelSize != pixelSize || out.pixelSize != pixelSize || outImage.GetPixelSize() != pixelSize)
    return S_FALSE;
  if (in.width != inImage.GetWidth() || in.height != inImage.GetHeight() || out.width != outImage.GetWidth() ||
      out.height != outImage.GetHeight())
    return S_FALSE;
  if (inputLength < in.frameBytes || outputLength < out.frameBytes)
    return S_FALSE;
  // DIB rows at the DIB stride on both sides; reversed when exactly one side is bottom-up.
  return m_frames.Transform(inputBuffer, in.stride, inputLength, outputBuffer, out.stride, outputLength,
                            in.bottomUp != out.bottomUp);
}
