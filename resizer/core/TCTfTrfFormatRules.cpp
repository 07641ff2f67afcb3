#include <tarvek/resizer/TCTfTrfFormatRules.h>

#include <climits>
#include <cstdlib>

#include <tarvek/resizer/TCTfTrfSizeRules.h>

namespace
{
constexpr long long kMaxFrameBytes = INT_MAX;

long long Magnitude(LONG value)
{
  return std::llabs(static_cast<long long>(value));
}

bool IsEmpty(const RECT& r)
{
  return r.right <= r.left || r.bottom <= r.top;
}

bool IsFullFrame(const RECT& r, LONG width, LONG height)
{
  return r.left == 0 && r.top == 0 && r.right == width && r.bottom == height;
}

// Full-frame rectangle test against the input size. Rectangles are always
// positive, so a top-down input's frame is (0, 0, width, |height|); the
// signed form is kept for the bottom-up case it coincides with.
bool CoversInput(const RECT& r, const BITMAPINFOHEADER& in)
{
  if (IsEmpty(r) || IsFullFrame(r, in.biWidth, in.biHeight))
    return true;
  return in.biHeight < 0 && Magnitude(in.biHeight) <= INT_MAX &&
         IsFullFrame(r, in.biWidth, static_cast<LONG>(Magnitude(in.biHeight)));
}
} // namespace

ULONG TCTfTrfFormatRules::MinimumFormatSize(const GUID& formatType)
{
  if (formatType == FORMAT_VideoInfo)
    return sizeof(VIDEOINFOHEADER);
  if (formatType == FORMAT_VideoInfo2)
    return sizeof(VIDEOINFOHEADER2);
  return 0;
}

bool TCTfTrfFormatRules::HasVideoFormatBlock(const TCTfTrfVideoFormat& format)
{
  const ULONG minimum = MinimumFormatSize(format.formattype);
  return minimum != 0 && format.pbFormat && format.cbFormat >= minimum;
}

bool TCTfTrfFormatRules::HasVideoInfoBlock(const TCTfTrfVideoFormat& format)
{
  return format.formattype == FORMAT_VideoInfo && HasVideoFormatBlock(format);
}

bool TCTfTrfFormatRules::ReadBitmapHeader(const TCTfTrfVideoFormat& format, BITMAPINFOHEADER* header)
{
  if (!header || !HasVideoFormatBlock(format))
    return false;
  const std::size_t offset = format.formattype == FORMAT_VideoInfo ? offsetof(VIDEOINFOHEADER, bmiHeader)
                                                                   : offsetof(VIDEOINFOHEADER2, bmiHeader);
  // Copied out: the block need not be aligned for the record.
  std::memcpy(header, format.pbFormat + offset, sizeof(BITMAPINFOHEADER));
  return true;
}

bool TCTfTrfFormatRules::ReadRectangles(const TCTfTrfVideoFormat& format, RECT* source, RECT* target)
{
  if (!HasVideoFormatBlock(format))
    return false;
  static_assert(offsetof(VIDEOINFOHEADER, rcTarget) == offsetof(VIDEOINFOHEADER2, rcTarget), "common prefix");
  if (source)
    std::memcpy(source, format.pbFormat + offsetof(VIDEOINFOHEADER, rcSource), sizeof(RECT));
  if (target)
    std::memcpy(target, format.pbFormat + offsetof(VIDEOINFOHEADER, rcTarget), sizeof(RECT));
  return true;
}

int TCTfTrfFormatRules::PixelSizeOfSubtype(const GUID& subtype)
{
  if (subtype == MEDIASUBTYPE_RGB32)
    return 4;
  if (subtype == MEDIASUBTYPE_RGB24)
    return 3;
  if (subtype == MEDIASUBTYPE_Y800)
    return 1;
  return 0;
}

bool TCTfTrfFormatRules::LayoutOfSubtype(const GUID& subtype, TCTfTrfPixelLayout* layout)
{
  TCTfTrfPixelLayout l;
  if (subtype == MEDIASUBTYPE_RGB32)
    l = TCTfTrfPixelLayout::Bgrx32;
  else if (subtype == MEDIASUBTYPE_RGB24)
    l = TCTfTrfPixelLayout::Bgr24;
  else if (subtype == MEDIASUBTYPE_Y800)
    l = TCTfTrfPixelLayout::Grey8;
  else
    return false;
  if (layout)
    *layout = l;
  return true;
}

bool TCTfTrfFormatRules::GetFrameFormat(const TCTfTrfVideoFormat& format, TCTfTrfFrameFormat* frame)
{
  BITMAPINFOHEADER h;
  TCTfTrfPixelLayout layout;
  if (!ReadBitmapHeader(format, &h) || !LayoutOfSubtype(format.subtype, &layout))
    return false;
  // The header's bit count must be the subtype's and the width positive; the
  // sign of biHeight gives the row order.
  if (h.biBitCount != 8 * TCTfTrfFrameFormat::PixelBytes(layout) || h.biWidth <= 0 ||
      !TCTfTrfSizeRules::FitsFrame(layout, h.biWidth, Magnitude(h.biHeight)))
    return false;
  if (frame)
  {
    frame->layout = layout;
    frame->width = static_cast<int>(h.biWidth);
    frame->height = static_cast<int>(Magnitude(h.biHeight));
    frame->stride = TCTfTrfSizeRules::AlignedStride(layout, h.biWidth);
    frame->order = h.biHeight > 0 ? TCTfTrfRowOrder::BottomUp : TCTfTrfRowOrder::TopDown;
  }
  return true;
}

bool TCTfTrfFormatRules::GetFrameGeometry(const TCTfTrfVideoFormat& format, TCTfTrfFrameGeometry* geometry)
{
  TCTfTrfFrameFormat f;
  if (!GetFrameFormat(format, &f))
    return false;
  if (geometry)
  {
    geometry->width = f.width;
    geometry->height = f.height;
    geometry->bottomUp = f.order == TCTfTrfRowOrder::BottomUp;
    geometry->pixelSize = f.PixelBytes();
    geometry->stride = static_cast<int>(f.stride);
    geometry->frameBytes = static_cast<int>(f.stride * f.height);
  }
  return true;
}

HRESULT TCTfTrfFormatRules::CheckInputType(const TCTfTrfVideoFormat* input, const GUID& requiredSubtype)
{
  if (!input)
    return E_POINTER;
  if (input->majortype != MEDIATYPE_Video)
    return VFW_E_INVALID_MEDIA_TYPE;
  const bool subtypeOk =
    requiredSubtype != GUID_NULL ? input->subtype == requiredSubtype : IsAcceptedSubtype(input->subtype);
  if (!subtypeOk || !HasVideoFormatBlock(*input) || !GetFrameGeometry(*input, nullptr))
    return VFW_E_INVALID_MEDIA_TYPE;
  return S_OK;
}

HRESULT TCTfTrfFormatRules::CheckTransform(const TCTfTrfVideoFormat* input, const TCTfTrfVideoFormat* output)
{
  if (!input || !output)
    return E_POINTER;
  if (output->majortype != MEDIATYPE_Video || input->subtype != output->subtype || !HasVideoInfoBlock(*output))
    return VFW_E_TYPE_NOT_ACCEPTED;
  BITMAPINFOHEADER in;
  BITMAPINFOHEADER out;
  if (!ReadBitmapHeader(*input, &in) || !ReadBitmapHeader(*output, &out))
    return VFW_E_TYPE_NOT_ACCEPTED;
  if (in.biPlanes != out.biPlanes || in.biBitCount != out.biBitCount || in.biCompression != out.biCompression)
    return VFW_E_TYPE_NOT_ACCEPTED;
  // Both sides must describe frames that can be moved without overrun.
  if (!GetFrameGeometry(*input, nullptr) || !GetFrameGeometry(*output, nullptr))
    return VFW_E_TYPE_NOT_ACCEPTED;
  RECT inSource;
  RECT outTarget;
  ReadRectangles(*input, &inSource, nullptr);
  ReadRectangles(*output, nullptr, &outTarget);
  if (!CoversInput(inSource, in) || !CoversInput(outTarget, in))
    return VFW_E_INVALIDMEDIATYPE;
  if (in.biClrUsed != out.biClrUsed)
    return VFW_E_TYPE_NOT_ACCEPTED;
  return S_OK;
}

HRESULT TCTfTrfFormatRules::QueryAccept(const TCTfTrfVideoFormat* offered, const TCTfTrfVideoFormat& current,
                                        bool connected)
{
  if (!offered)
    return E_POINTER;
  if (!connected)
    return VFW_E_INVALID_MEDIA_TYPE;
  if (offered->majortype != MEDIATYPE_Video || offered->subtype != current.subtype || !HasVideoFormatBlock(*offered))
    return VFW_E_INVALID_MEDIA_TYPE;
  TCTfTrfFrameGeometry a;
  TCTfTrfFrameGeometry b;
  if (!GetFrameGeometry(*offered, &a) || !GetFrameGeometry(current, &b))
    return VFW_E_INVALID_MEDIA_TYPE;
  return a.width == b.width && a.height == b.height ? S_OK : VFW_E_INVALID_MEDIA_TYPE;
}

bool TCTfTrfFormatRules::OutputSize(int requestedWidth, int requestedHeight, const TCTfTrfVideoFormat& input,
                                    int* width, int* height)
{
  long long inWidth = 0;
  long long inHeight = 0;
  if (TCTfTrfSizeRules::KeepsInputSize(requestedWidth, requestedHeight))
  {
    BITMAPINFOHEADER in;
    if (!ReadBitmapHeader(input, &in))
      return false;
    inWidth = Magnitude(in.biWidth);
    inHeight = Magnitude(in.biHeight);
  }
  return TCTfTrfSizeRules::OutputSize(requestedWidth, requestedHeight, inWidth, inHeight, width, height);
}

HRESULT TCTfTrfFormatRules::MakeOutputFormat(const TCTfTrfVideoFormat& input, int requestedWidth,
                                             int requestedHeight, std::vector<BYTE>* block)
{
  if (!block || !HasVideoFormatBlock(input))
    return S_FALSE;
  std::vector<BYTE> result;
  if (input.formattype == FORMAT_VideoInfo2)
  {
    VIDEOINFOHEADER2 v2;
    std::memcpy(&v2, input.pbFormat, sizeof(v2));
    VIDEOINFOHEADER v{};
    v.rcSource = v2.rcSource;
    v.rcTarget = v2.rcTarget;
    v.dwBitRate = v2.dwBitRate;
    v.dwBitErrorRate = v2.dwBitErrorRate;
    v.AvgTimePerFrame = v2.AvgTimePerFrame;
    v.bmiHeader = v2.bmiHeader;
    result.resize(sizeof(v));
    std::memcpy(result.data(), &v, sizeof(v));
  }
  else
  {
    result.assign(input.pbFormat, input.pbFormat + input.cbFormat);
  }
  int w = 0;
  int h = 0;
  if (!OutputSize(requestedWidth, requestedHeight, input, &w, &h))
    return S_FALSE;
  VIDEOINFOHEADER v;
  std::memcpy(&v, result.data(), sizeof(v));
  const long long bits = v.bmiHeader.biBitCount;
  const long long stride = ((bits * w + 31) / 32) * 4;
  // Divided, not multiplied: a header's bit count and size can take
  // stride * h past 64 bits.
  if (stride > kMaxFrameBytes || (stride != 0 && h > kMaxFrameBytes / stride))
    return S_FALSE;
  v.rcSource = RECT{0, 0, w, h};
  v.rcTarget = RECT{0, 0, 0, 0};
  v.bmiHeader.biWidth = w;
  v.bmiHeader.biHeight = h;
  v.bmiHeader.biSizeImage = static_cast<DWORD>(static_cast<long long>(h) * bits * w / 8);
  std::memcpy(result.data(), &v, sizeof(v));
  *block = std::move(result);
  return S_OK;
}

bool TCTfTrfFormatRules::FrameBufferSize(const TCTfTrfVideoFormat& output, int* bytes)
{
  TCTfTrfFrameGeometry g;
  if (!GetFrameGeometry(output, &g))
    return false;
  if (bytes)
    *bytes = g.frameBytes;
  return true;
}
