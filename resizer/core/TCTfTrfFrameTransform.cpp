#include <tarvek/resizer/TCTfTrfFrameTransform.h>

#include <cstring>
#include <new>
#include <stdexcept>

#include <pixolan/model/TCPx24bitImage.h>
#include <pixolan/model/TCPx32bitImage.h>
#include <pixolan/model/TCPx8bitImage.h>
#include <pixolan/model/TCPxUtil.h>
#include <tarvek/resizer/TCTfTrfFormatRules.h>

namespace
{
std::unique_ptr<TCPxByteImage> MakeImage(int pixelSize, int width, int height)
{
  switch (pixelSize)
  {
  case 4: return std::make_unique<TCPx32bitImage>(width, height);
  case 3: return std::make_unique<TCPx24bitImage>(width, height);
  case 1: return std::make_unique<TCPx8bitImage>(width, height);
  default: return nullptr;
  }
}

// The work image's own buffer for writing. Only called while no external
// buffer is attached: the buffer then belongs to the image and is mutable.
unsigned char* OwnPixels(TCPxByteImage& image)
{
  return const_cast<unsigned char*>(image.GetBuffer());
}

// Attaches a sample buffer to a work image for one frame and always detaches it.
class ExternalBufferScope
{
public:
  ExternalBufferScope(TCPxByteImage& image, BYTE* buffer, long long length)
    : m_image(image), m_attached(image.SetExternalBuffer(buffer, length))
  {
  }
  ~ExternalBufferScope() { m_image.SetExternalBuffer(nullptr); }
  ExternalBufferScope(const ExternalBufferScope&) = delete;
  ExternalBufferScope& operator=(const ExternalBufferScope&) = delete;
  bool Attached() const { return m_attached; }

private:
  TCPxByteImage& m_image;
  bool m_attached;
};

// Copies a frame of DIB rows, reversing the row order when `flip`.
void CopyRows(const BYTE* source, int sourceStride, BYTE* target, int targetStride, int width, int height,
              int pixelSize, bool flip)
{
  if (flip)
  {
    const BYTE* lastRow = source + static_cast<std::ptrdiff_t>(height - 1) * sourceStride;
    TCPxUtil::CopyAlignedBuffer(lastRow, -sourceStride, target, targetStride, width, height, pixelSize);
  }
  else
  {
    TCPxUtil::CopyAlignedBuffer(source, sourceStride, target, targetStride, width, height, pixelSize);
  }
}
} // namespace

TCTfTrfFrameTransform::TCTfTrfFrameTransform() = default;
TCTfTrfFrameTransform::~TCTfTrfFrameTransform() = default;

HRESULT TCTfTrfFrameTransform::CreateWorkImages(const GUID& subtype, int inputWidth, int inputHeight,
                                                int outputWidth, int outputHeight)
{
  ReleaseWorkImages();
  const int pixelSize = TCTfTrfFormatRules::PixelSizeOfSubtype(subtype);
  if (pixelSize == 0 || inputWidth < 1 || inputHeight < 1 || outputWidth < 1 || outputHeight < 1)
    return S_FALSE;
  try
  {
    m_input = MakeImage(pixelSize, inputWidth, inputHeight);
    m_output = MakeImage(pixelSize, outputWidth, outputHeight);
  }
  catch (const std::bad_alloc&)
  {
    ReleaseWorkImages();
    return E_OUTOFMEMORY;
  }
  catch (const std::length_error&)
  {
    ReleaseWorkImages();
    return E_OUTOFMEMORY;
  }
  return S_OK;
}

void TCTfTrfFrameTransform::ReleaseWorkImages()
{
  m_input.reset();
  m_output.reset();
}

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
  TCPxByteImage& inImage = *m_input;
  TCPxByteImage& outImage = *m_output;
  const int pixelSize = inImage.GetPixelSize();
  if (in.pixelSize != pixelSize || out.pixelSize != pixelSize || outImage.GetPixelSize() != pixelSize)
    return S_FALSE;
  if (in.width != inImage.GetWidth() || in.height != inImage.GetHeight() || out.width != outImage.GetWidth() ||
      out.height != outImage.GetHeight())
    return S_FALSE;
  if (inputLength < in.frameBytes || outputLength < out.frameBytes)
    return S_FALSE;

  const bool flip = in.bottomUp != out.bottomUp;
  // Same frame size: a plain copy, or a copy with the rows reversed.
  if (in.width == out.width && in.height == out.height)
  {
    if (!flip)
      std::memcpy(outputBuffer, inputBuffer, static_cast<std::size_t>(in.frameBytes));
    else
      CopyRows(inputBuffer, in.stride, outputBuffer, out.stride, in.width, in.height, pixelSize, true);
    return S_OK;
  }

  // Resize. The source is the input sample itself when its rows already have
  // the work image's layout and no flip is due (it is only read); otherwise
  // the frame is copied into the input image, flipped on the way.
  const bool wrapInput = !flip && in.stride == inImage.GetStepSize();
  ExternalBufferScope inputScope(inImage, wrapInput ? const_cast<BYTE*>(inputBuffer) : nullptr, inputLength);
  if (wrapInput && !inputScope.Attached())
    return S_FALSE;
  if (!wrapInput)
    CopyRows(inputBuffer, in.stride, OwnPixels(inImage), inImage.GetStepSize(), in.width, in.height, pixelSize,
             flip);

  if (out.stride == outImage.GetStepSize())
  {
    ExternalBufferScope outputScope(outImage, outputBuffer, outputLength);
    if (!outputScope.Attached())
      return S_FALSE;
    outImage.ScaleNearestNeighbour(inImage);
  }
  else
  {
    outImage.ScaleNearestNeighbour(inImage);
    TCPxUtil::CopyAlignedBuffer(outImage.GetBuffer(), outImage.GetStepSize(), outputBuffer, out.stride, out.width,
                                out.height, pixelSize);
  }
  return S_OK;
}
