#pragma once
#include <atomic>
#include <memory>
#include <vector>

#include <pixolan/PxExport.h>
#include <pixolan/platform/WinCom.h>

class TCPxByteImage;
class TCPxContour;
class TCPx8bitImage;

/// Interchange record of a contour: plain fields, in this order.
struct tagTCIdtPxContour
{
  int count;     ///< number of points
  POINT* points; ///< the points
  int left;      ///< the ROI rectangle the contour is relative to
  int top;
  int right;
  int bottom;
};

/// Interchange record of an image: plain fields, in this order.
struct tagTCIdtPxImage
{
  int kind;       ///< 0: 8-bit grey (the only kind converted)
  int width;      ///< pixels
  int height;     ///< pixels
  BYTE* buffer;   ///< first pixel row
  int bufferSize; ///< bytes
  int stride;     ///< bytes from one row to the next
};

/// Identifier of ITCPxContour: {D5FC0FEB-64E1-4230-A53B-9668D1E45484}.
inline constexpr IID IID_ITCPxContour = {
  0xD5FC0FEB, 0x64E1, 0x4230, {0xA5, 0x3B, 0x96, 0x68, 0xD1, 0xE4, 0x54, 0x84}};
/// Identifier of ITCPxImage: {72AC31FE-4186-47B1-838A-5DBF635DB22A}.
inline constexpr IID IID_ITCPxImage = {
  0x72AC31FE, 0x4186, 0x47B1, {0x83, 0x8A, 0x5D, 0xBF, 0x63, 0x5D, 0xB2, 0x2A}};

/// A contour as a component interface. A null out-pointer gives E_POINTER.
struct ITCPxContour : public IUnknown
{
  virtual HRESULT GetPointCount(int* count) = 0;
  /// E_FAIL when index < 0 or index >= the count.
  virtual HRESULT GetPoint(int index, POINT* point) = 0;
  /// The ROI rectangle (left, top, right, bottom).
  virtual HRESULT GetROI(RECT* rect) = 0;
};

/// An image as a component interface. A null out-pointer gives E_POINTER.
struct ITCPxImage : public IUnknown
{
  /// 0 for 8-bit grey, 1 for image type 2, 2 for 24-bit colour, 3 for 32-bit
  /// colour, -1 for any other type.
  virtual HRESULT GetKind(int* kind) = 0;
  virtual HRESULT GetWidth(int* width) = 0;
  virtual HRESULT GetHeight(int* height) = 0;
  /// The image's own buffer (not copied), its size in bytes and its stride.
  virtual HRESULT GetBuffer(int* bufferSize, int* stride, BYTE** buffer) = 0;
};

/// ITCPxContour over a shared constant contour. Created with no reference
/// held and without a module lock; lives by reference counting and releases
/// its shared pointer with the last reference. Without a contour it reports
/// count 0, E_FAIL for every point and an all-zero ROI.
class PIXOLAN_EXPORT TCPxComContour final : public ITCPxContour
{
public:
  /// New object with a reference count of 0, or null when out of memory.
  static TCPxComContour* CreateInstance();
  void SetContour(std::shared_ptr<const TCPxContour> contour);

  HRESULT QueryInterface(REFIID riid, void** ppv) override;
  ULONG AddRef() override;
  ULONG Release() override;
  HRESULT GetPointCount(int* count) override;
  HRESULT GetPoint(int index, POINT* point) override;
  HRESULT GetROI(RECT* rect) override;

private:
  TCPxComContour();
  ~TCPxComContour();

  std::atomic<ULONG> m_cRef{0};
  std::shared_ptr<const TCPxContour> m_contour;
};

/// ITCPxImage over a shared constant byte image, with the lifetime rules of
/// TCPxComContour. Without an image every image method returns E_FAIL.
class PIXOLAN_EXPORT TCPxComImage final : public ITCPxImage
{
public:
  /// New object with a reference count of 0, or null when out of memory.
  static TCPxComImage* CreateInstance();
  void SetImage(std::shared_ptr<const TCPxByteImage> image);

  HRESULT QueryInterface(REFIID riid, void** ppv) override;
  ULONG AddRef() override;
  ULONG Release() override;
  HRESULT GetKind(int* kind) override;
  HRESULT GetWidth(int* width) override;
  HRESULT GetHeight(int* height) override;
  HRESULT GetBuffer(int* bufferSize, int* stride, BYTE** buffer) override;

private:
  TCPxComImage();
  ~TCPxComImage();

  std::atomic<ULONG> m_cRef{0};
  std::shared_ptr<const TCPxByteImage> m_image;
};

/// Conversions between images or contours and the interchange records, and
/// the component objects over them.
class PIXOLAN_EXPORT TCPxComUtils
{
public:
  /// New contour of the record's points with its ROI set and its moments
  /// created; null for a count that is 0 or negative, or null points with a
  /// positive count. The record's points array must hold `count` points.
  static std::shared_ptr<TCPxContour> ConvertC2NContour(const tagTCIdtPxContour& record);
  /// Fills `*storage` with the contour's points and `*out` with the count, a
  /// pointer into `*storage` (the record borrows it) and the ROI. A null
  /// contour or storage gives an all-zero record; a null `out` does nothing.
  static void ConvertN2CContour(std::shared_ptr<TCPxContour> contour, tagTCIdtPxContour* out,
                                std::vector<POINT>* storage);
  /// New 8-bit image of the record's size with its rows copied at the
  /// record's stride. Null unless the kind is 0, the buffer is not null, width
  /// and height are positive, the stride is at least the width and the buffer
  /// size covers (height - 1) * stride + width bytes (or when the image cannot
  /// be allocated).
  static std::shared_ptr<TCPx8bitImage> ConvertC2NImage8bit(const tagTCIdtPxImage& record);
  /// `*out` = {0, width, height, the image's own buffer (borrowed), buffer
  /// size, stride}; a null `out` does nothing.
  static void ConvertN2CImage8bit(const TCPx8bitImage& image, tagTCIdtPxImage* out);

  /// A new component object over the contour, holding exactly one reference
  /// (the returned one); null when it cannot be created.
  static CComPtr<ITCPxContour> MakeComContour(const std::shared_ptr<const TCPxContour>& contour);
  /// The same for an image.
  static CComPtr<ITCPxImage> MakeComImage(const std::shared_ptr<const TCPxByteImage>& image);
  /// New contour read through the interface: its points by index and, when
  /// the interface gives it, its ROI. Null for a null interface, a count that
  /// cannot be read or is negative, or any point that cannot be read.
  static std::shared_ptr<TCPxContour> MakePxContour(const CComPtr<ITCPxContour>& contour);
};
