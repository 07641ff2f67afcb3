// Interchange records from a peer: a contour record and an 8-bit image record
// whose counts, sizes, strides and buffer size come from the input and need
// not agree. The records never claim more memory than they point at (that
// much a peer must get right); everything else may be inconsistent.
//
// Input: flags (bit 0: null points, bit 1: buffer size shortened, bits 2-3
// == 3: image kind 1), contour count (16 bits, signed), ROI (4 x 32 bits),
// a probe index (16 bits, signed), then the image's width, height and stride
// (16 bits each, signed) and the shortening (16 bits); the points are read
// next (8 bytes each, zero past the end) and the rest is the image buffer.
//
// Checks: a contour record converts exactly when its count is positive and
// its points are there, to its points and ROI; the contour survives the
// record and component round trips; points by index answer E_FAIL outside
// 0 ... count - 1. An image record converts exactly when it is grey, has a
// buffer, a positive size, a stride of at least the width and a buffer size
// covering its rows; the image's rows are the record's rows read at its
// stride, and its component object hands out its own buffer.
#include <cstdint>
#include <cstring>
#include <memory>
#include <vector>

#include <opencv2/core.hpp>

#include <pixolan/analysis/TCPxComUtils.h>
#include <pixolan/analysis/TCPxContour.h>
#include <pixolan/model/TCPx8bitImage.h>

#include "FuzzInput.h"

namespace
{
void CheckContourObject(const std::shared_ptr<const TCPxContour>& contour, int probe)
{
  CComPtr<ITCPxContour> com = TCPxComUtils::MakeComContour(contour);
  FUZZ_CHECK(com);
  int count = -1;
  FUZZ_CHECK(com->GetPointCount(&count) == S_OK);
  const int expected = contour ? static_cast<int>(contour->GetPoints().size()) : 0;
  FUZZ_CHECK(count == expected);
  POINT p{};
  FUZZ_CHECK(com->GetPoint(-1, &p) == E_FAIL);
  FUZZ_CHECK(com->GetPoint(count, &p) == E_FAIL);
  const HRESULT hr = com->GetPoint(probe, &p);
  if (probe >= 0 && probe < count)
    FUZZ_CHECK(hr == S_OK && p.x == contour->GetPoints()[probe].x && p.y == contour->GetPoints()[probe].y);
  else
    FUZZ_CHECK(hr == E_FAIL);

  const std::shared_ptr<TCPxContour> back = TCPxComUtils::MakePxContour(com);
  FUZZ_CHECK(back);
  FUZZ_CHECK(static_cast<int>(back->GetPoints().size()) == expected);
  if (contour)
  {
    FUZZ_CHECK(back->GetPoints() == contour->GetPoints());
    FUZZ_CHECK(back->GetROIRect() == contour->GetROIRect());
  }
}

void FuzzContour(FuzzInput& in, std::uint8_t flags, int count, const TCGenRect<int>& roi, int probe)
{
  std::vector<POINT> points(count > 0 ? static_cast<std::size_t>(count) : 0);
  for (POINT& p : points)
  {
    p.x = static_cast<LONG>(in.U32());
    p.y = static_cast<LONG>(in.U32());
  }
  const bool nullPoints = (flags & 1) != 0 || points.empty();
  const tagTCIdtPxContour record{count, nullPoints ? nullptr : points.data(), roi.GetLeft(), roi.GetTop(),
                                 roi.GetRight(), roi.GetBottom()};
  const std::shared_ptr<TCPxContour> contour = TCPxComUtils::ConvertC2NContour(record);
  FUZZ_CHECK(static_cast<bool>(contour) == (count > 0 && !nullPoints));
  if (contour)
  {
    FUZZ_CHECK(static_cast<int>(contour->GetPoints().size()) == count);
    for (int i = 0; i < count; ++i)
      FUZZ_CHECK(contour->GetPoints()[i].x == points[i].x && contour->GetPoints()[i].y == points[i].y);
    FUZZ_CHECK(contour->GetROIRect() == roi);

    tagTCIdtPxContour again{};
    std::vector<POINT> storage;
    TCPxComUtils::ConvertN2CContour(contour, &again, &storage);
    FUZZ_CHECK(again.count == count && again.points == storage.data());
    FUZZ_CHECK(std::memcmp(storage.data(), points.data(), points.size() * sizeof(POINT)) == 0);
    FUZZ_CHECK(again.left == record.left && again.top == record.top && again.right == record.right &&
               again.bottom == record.bottom);
  }
  CheckContourObject(contour, probe);
}

void FuzzImage(FuzzInput& in, std::uint8_t flags, int width, int height, int stride, int shortening)
{
  std::vector<BYTE> bytes = in.Bytes(in.Remaining());
  const int available = static_cast<int>(bytes.size());
  const int bufferSize = (flags & 2) != 0 ? shortening % (available + 1) : available;
  const int kind = ((flags >> 2) & 3) == 3 ? 1 : 0;
  const tagTCIdtPxImage record{kind, width, height, bytes.empty() ? nullptr : bytes.data(), bufferSize, stride};

  const bool valid = kind == 0 && record.buffer && width > 0 && height > 0 && stride >= width &&
                     static_cast<long long>(height - 1) * stride + width <= bufferSize;
  const std::shared_ptr<TCPx8bitImage> image = TCPxComUtils::ConvertC2NImage8bit(record);
  FUZZ_CHECK(static_cast<bool>(image) == valid);
  if (!image)
    return;
  FUZZ_CHECK(image->GetWidth() == width && image->GetHeight() == height);
  for (int y = 0; y < height; ++y)
    FUZZ_CHECK(std::memcmp(image->GetFullMatPtr()->ptr(y), bytes.data() + static_cast<std::size_t>(y) * stride,
                           static_cast<std::size_t>(width)) == 0);

  tagTCIdtPxImage own{};
  TCPxComUtils::ConvertN2CImage8bit(*image, &own);
  const std::shared_ptr<TCPx8bitImage> copy = TCPxComUtils::ConvertC2NImage8bit(own);
  FUZZ_CHECK(copy && *copy == *image);

  CComPtr<ITCPxImage> com = TCPxComUtils::MakeComImage(image);
  FUZZ_CHECK(com);
  int k = -9, w = 0, h = 0, size = 0, step = 0;
  BYTE* buffer = nullptr;
  FUZZ_CHECK(com->GetKind(&k) == S_OK && k == 0);
  FUZZ_CHECK(com->GetWidth(&w) == S_OK && w == width);
  FUZZ_CHECK(com->GetHeight(&h) == S_OK && h == height);
  FUZZ_CHECK(com->GetBuffer(&size, &step, &buffer) == S_OK);
  FUZZ_CHECK(buffer == image->GetBuffer() && size == image->GetBufferSize() && step == image->GetStepSize());
}
} // namespace

extern "C" int LLVMFuzzerTestOneInput(const std::uint8_t* data, std::size_t size)
{
  FuzzInput in(data, size);
  const std::uint8_t flags = in.Byte();
  const int count = in.I16();
  const int left = static_cast<int>(in.U32());
  const int top = static_cast<int>(in.U32());
  const int right = static_cast<int>(in.U32());
  const int bottom = static_cast<int>(in.U32());
  const int probe = in.I16();
  const int width = in.I16();
  const int height = in.I16();
  const int stride = in.I16();
  const int shortening = in.U16();
  FuzzContour(in, flags, count, TCGenRect<int>(left, top, right, bottom), probe);
  FuzzImage(in, flags, width, height, stride, shortening);
  return 0;
}
