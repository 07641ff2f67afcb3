#include <tarvek/resizer/TCTfTrfFrameTransform.h>

#include <climits>
#include <cstddef>
#include <new>
#include <stdexcept>

#include <pixolan/model/TCPx24bitImage.h>
#include <pixolan/model/TCPx32bitImage.h>
#include <pixolan/model/TCPx8bitImage.h>
#include <pixolan/model/TCPxUtil.h>
#include <tarvek/resizer/TCTfTrfFormatRules.h>

namespace
{
std::unique_ptr<TCPxByteImage> MakeWorkImage(TCTfTrfPixelLayout layout, int width, int height)
{
  switch (layout)
  {
  case TCTfTrfPixelLayout::Bgrx32: return std::make_unique<TCPx32bitImage>(width, height);
  case TCTfTrfPixelLayout::Bgr24: return std::make_unique<TCPx24bitImage>(width, height);
  case TCTfTrfPixelLayout::Grey8: return std::make_unique<TCPx8bitImage>(width, height);
  }
  return nullptr;
}

// The work image's own buffer for writing; only used while no external buffer
// is attached, when the buffer belongs to the image.
unsigned char* OwnPixels(TCPxByteImage& image)
{
  return const_cast<unsigned char*>(image.GetBuffer());
}

// Attaches a frame buffer to a work image for one frame and always detaches it.
class AttachedBuffer
{
public:
  AttachedBuffer(TCPxByteImage& image, BYTE* buffer, long long length)
    : m_image(image), m_attached(buffer && image.SetExternalBuffer(buffer, length))
  {
  }
  ~AttachedBuffer()
  {
    if (m_attached)
      m_image.SetExternalBuffer(nullptr);
  }
  AttachedBuffer(const AttachedBuffer&) = delete;
  AttachedBuffer& operator=(const AttachedBuffer&) = delete;
  bool Attached() const { return m_attached; }

private:
  TCPxByteImage& m_image;
  bool m_attached;
};

// True when `length` bytes at `stride` hold `height` rows of `rowBytes`.
bool CoversFrame(long long stride, long long length, long long rowBytes, long long height)
{
  return stride >= rowBytes && stride <= INT_MAX && (height - 1) * stride + rowBytes <= length;
}

// Copies a frame row by row, reversing the row order when `flip`.
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
  TCTfTrfPixelLayout layout;
  if (!TCTfTrfFormatRules::LayoutOfSubtype(subtype, &layout) || inputWidth < 1 || inputHeight < 1 ||
      outputWidth < 1 || outputHeight < 1)
    return S_FALSE;
  try
  {
    m_input = MakeWorkImage(layout, inputWidth, inputHeight);
    m_output = MakeWorkImage(layout, outputWidth, outputHeight);
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
  TCTfTrfFrameFormat in;
  TCTfTrfFrameFormat out;
  if (!TCTfTrfFormatRules::GetFrameFormat(input, &in) || !TCTfTrfFormatRules::GetFrameFormat(output, &out))
    return S_FALSE;
  // A sample holds whole DIB frames, the last row's padding included.
  if (inputLength < in.stride * in.height || outputLength < out.stride * out.height)
    return S_FALSE;
  return Move(in, inputBuffer, inputLength, out, outputBuffer, outputLength);
}

HRESULT TCTfTrfFrameTransform::Move(const TCTfTrfFrameFormat& in, const BYTE* input, long long inputLength,
                                    const TCTfTrfFrameFormat& out, BYTE* output, long long outputLength)
{
  TCPxByteImage& inImage = *m_input;
  TCPxByteImage& outImage = *m_output;
  const int pixelSize = inImage.GetPixelSize();
  if (in.layout != out.layout || in.PixelBytes() != pixelSize || outImage.GetPixelSize() != pixelSize)
    return S_FALSE;
  const int inWidth = inImage.GetWidth();
  const int inHeight = inImage.GetHeight();
  const int outWidth = outImage.GetWidth();
  const int outHeight = outImage.GetHeight();
  if (in.width != inWidth || in.height != inHeight || out.width != outWidth || out.height != outHeight)
    return S_FALSE;
  if (!CoversFrame(in.stride, inputLength, in.RowBytes(), inHeight) ||
      !CoversFrame(out.stride, outputLength, out.RowBytes(), outHeight))
    return S_FALSE;
  const int inStride = static_cast<int>(in.stride);
  const int outStride = static_cast<int>(out.stride);
  const bool flip = in.order != out.order;

  // Same frame size: a plain copy, or a copy with the rows reversed.
  if (inWidth == outWidth && inHeight == outHeight)
  {
    CopyRows(input, inStride, output, outStride, inWidth, inHeight, pixelSize, flip);
    return S_OK;
  }

  // Resize. The source is the input frame itself when its rows already have
  // the work image's layout and no flip is due (it is only read); otherwise
  // the frame is copied into the input image, flipped on the way.
  const bool wrapInput = !flip && inStride == inImage.GetStepSize();
  AttachedBuffer inputScope(inImage, wrapInput ? const_cast<BYTE*>(input) : nullptr, inputLength);
  if (!inputScope.Attached())
    CopyRows(input, inStride, OwnPixels(inImage), inImage.GetStepSize(), inWidth, inHeight, pixelSize, flip);

  // The target is the output frame itself when its rows have the output
  // image's layout; otherwise the image is scaled and its rows copied out.
  AttachedBuffer outputScope(outImage, outStride == outImage.GetStepSize() ? output : nullptr, outputLength);
  outImage.ScaleNearestNeighbour(inImage);
  if (!outputScope.Attached())
    TCPxUtil::CopyAlignedBuffer(outImage.GetBuffer(), outImage.GetStepSize(), output, outStride, outWidth,
                                outHeight, pixelSize);
  return S_OK;
}
