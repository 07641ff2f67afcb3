#pragma once
#include <memory>
#include <string>
#include <vector>

#include <general/TCGenPoint.h>
#include <general/TCGenRect.h>
#include <general/TCGenSize.h>
#include <pixolan/PxExport.h>
#include <pixolan/model/PxTypes.h>

namespace cv
{
class Mat;
template <typename T>
class Rect_;
typedef Rect_<int> Rect2i;
typedef Rect2i Rect;
} // namespace cv

/// Base of every image: a fixed-size grid of pixels in one buffer with a padded
/// row stride, a region of interest (ROI) that restricts most operations, and
/// two OpenCV matrix headers over the buffer (the full view and the ROI view)
/// through which OpenCV reads and writes the pixels in place.
///
/// Row 0 of the buffer is the top row; pixel (x, y) of the whole image starts
/// at byte y * stride + x * pixel size. The ROI is held in whole-image pixel
/// coordinates with exclusive right and bottom.
///
/// Images are not copyable at this level: a shallow copy would let two objects
/// address one buffer with only one of them owning it. The typed image classes
/// offer deep copies (copy constructor, Clone).
class PIXOLAN_EXPORT TCPxImageBase
{
public:
  /// Stores type, size and channels; the ROI is `roi`, or the whole image when
  /// `roi` has width 0. No buffer and no views yet: the subclass allocates the
  /// buffer and calls Create(). Throws std::invalid_argument for a width or
  /// height that is not positive.
  TCPxImageBase(NPxImageTypes type, int width, int height, int channels, TCGenRect<int> roi);
  TCPxImageBase(const TCPxImageBase&) = delete;
  TCPxImageBase& operator=(const TCPxImageBase&) = delete;

  virtual ~TCPxImageBase();
  /// New image of the same class and the given size; the caller owns it.
  virtual TCPxImageBase* Create(int width, int height) const = 0;
  /// Height * stride in bytes; -1 before the views are built.
  virtual int GetBufferSize() const;
  /// New deep copy; the caller owns it.
  virtual TCPxImageBase* Clone() const = 0;
  /// Bytes per pixel.
  virtual int GetPixelSize() const = 0;
  /// Appends `bins` counts to `*histogram` and returns the largest; -1 and
  /// nothing appended when the image type has no histogram.
  virtual int GetIntensityHistogram(int bins, std::vector<int>* histogram) const;
  /// Resamples the source's ROI into this image's ROI. Nothing happens for an
  /// unknown kind or when the element types differ.
  virtual void Scale(const TCPxImageBase& source, Px::EInterpolationType kind);
  /// Scale with nearest-neighbour sampling.
  virtual void ScaleNearestNeighbour(const TCPxImageBase& source);
  /// Mirrors the image in place; the base does nothing.
  virtual void Mirror(bool vertical);

  /// Whole images compared, ROI ignored: equal size and pixel size, and every
  /// row's width * pixel size bytes equal (each side walked with its own stride).
  bool operator==(const TCPxImageBase& other) const;
  bool operator!=(const TCPxImageBase& other) const { return !(*this == other); }

  /// Element-wise over the ROI views (OpenCV saturation; division by 0 gives 0).
  /// OpenCV throws cv::Exception for ROIs of different sizes or element types.
  void operator+=(const TCPxImageBase& other);
  void operator-=(const TCPxImageBase& other);
  void operator*=(const TCPxImageBase& other);
  void operator/=(const TCPxImageBase& other);

  /// 0 <= x < width and 0 <= y < height (whole image, not ROI).
  bool AreCoordinatesValid(int x, int y) const;
  /// Copies the source's ROI into this ROI; nothing happens when their sizes or
  /// element types differ.
  void CopyBuffer(const TCPxImageBase& source);
  /// target->CopyBuffer(*this).
  void CopyROI(TCPxImageBase* target) const;
  /// Copies the part `rect` of this whole image into the target's ROI.
  void CopyROI(TCPxImageBase* target, TCGenRect<int> rect) const;
  /// Number of non-zero pixels in the ROI (one-channel images).
  int CountNonZero() const;
  /// Builds the full view and the ROI view over the pixel buffer and sets the
  /// buffer size. Called by every typed constructor once the buffer exists.
  void Create();
  /// New image of the same type holding a copy of the ROI; null when the image
  /// factory cannot make this type or the ROI is empty. The caller owns it.
  TCPxImageBase* CreateImageOfROI() const;

  /// The full view / the ROI view. Shared headers over this image's own buffer;
  /// they never own pixels. Never hand them to OpenCV as an output array whose
  /// size or type may differ: OpenCV would re-point them at fresh memory.
  std::shared_ptr<cv::Mat> GetFullMatPtr() const { return m_pFullMat; }
  std::shared_ptr<cv::Mat> GetMatPtr() const { return m_pRoiMat; }

  /// Pixel buffer (row 0 of the whole image).
  const void* GetBuffer() const { return m_pBuffer; }
  int GetWidth() const { return m_iWidth; }
  int GetHeight() const { return m_iHeight; }
  /// Bytes from the start of one row to the start of the next.
  int GetStepSize() const { return m_iStride; }
  int GetNrChannels() const { return m_iChannels; }
  NPxImageTypes GetImageType() const { return m_eImageType; }
  bool IsGray() const { return m_eImageType == ImageType8bit; }
  TCGenRect<int> GetROI() const { return m_roi; }
  TCGenSize<int> GetResolution() const { return TCGenSize<int>(m_iWidth, m_iHeight); }
  /// Offset of the ROI's top-left pixel from the buffer start: bytes for byte
  /// images, elements for float and integer images.
  int GetROIOffset() const;
  /// False: only bitmap-backed images carry an orientation.
  bool IsTopDown() const { return false; }

  /// Draws `text` into the ROI with OpenCV's simplex font at scale 1.0, colour
  /// (255, 0, 0, 0), thickness 1; `origin` is the baseline start in ROI
  /// coordinates. The third argument is accepted for compatibility and unused.
  void PutText(const std::wstring& text, const TCGenPoint<int>& origin, double unused = 0.0);

  /// Sets the ROI. A rectangle that does not lie within the image throws
  /// cv::Exception and leaves the ROI unchanged.
  void SetROI(const TCGenRect<int>& roi);
  /// ROI := (0, 0, width, height).
  void SetFullROI();
  void ResetROI() { SetFullROI(); }

protected:
  /// Replaces the pixel buffer pointer only (the views are not rebuilt).
  void SetImageBuffer(void* buffer) { m_pBuffer = buffer; }
  /// Sets the stride chosen by the subclass's allocator (once, before Create()).
  void SetStride(int stride) { m_iStride = stride; }
  /// Allocates the pixel buffer for pixels of `pixelBytes` bytes (rows padded
  /// to 32 bytes, start aligned to 64, zeroed), makes it the pixel buffer and
  /// builds the views. The subclass owns the returned buffer and releases it
  /// with ReleasePixels; on failure nothing stays allocated and the error propagates.
  void* AllocatePixels(int pixelBytes);
  static void ReleasePixels(void* buffer);

private:
  int m_iStride = 0;
  int m_iWidth = 0;
  int m_iHeight = 0;
  void* m_pBuffer = nullptr;
  std::shared_ptr<cv::Mat> m_pFullMat;
  std::shared_ptr<cv::Mat> m_pRoiMat;
  int m_iBufferSize = -1;
  int m_iChannels = 0;
  NPxImageTypes m_eImageType;
  TCGenRect<int> m_roi;
  std::shared_ptr<cv::Rect> m_pRoiRect;
};
