#pragma once
#include <general/TCGenRect.h>
#include <pixolan/PxExport.h>

class TCPxImageBase;
class TCPx8bitImage;
class TCPx24bitImage;
class TCPx32bitImage;
class TCPxFloatImage;

/// Base of every image filter: one operation that transforms a source image
/// into a destination.
///
/// The contract of every filter:
/// - the source's image type selects the processing path; a type the filter
///   does not accept makes the call return at once without effect;
/// - a null destination means in place: the result replaces the source;
/// - a destination must be of the source's class and size; any other
///   destination makes the call do nothing;
/// - pixels a filter does not compute (the border band of neighbourhood
///   filters) keep whatever the destination held.
class PIXOLAN_EXPORT TCPxImageFilter
{
public:
  virtual ~TCPxImageFilter();
  /// Forwards to ProcessImage(&source, destination).
  virtual void ProcessImage(const TCPxImageBase& source, TCPxImageBase* destination) const;
  virtual void ProcessImage(TCPxImageBase* source, TCPxImageBase* destination) const = 0;

  /// Start of the pixel buffer (line 0).
  unsigned char* Get8bitImageBuffer(TCPx8bitImage* image) const;
  unsigned char* Get24bitImageBuffer(TCPx24bitImage* image) const;
  unsigned char* Get32bitImageBuffer(TCPx32bitImage* image) const;
  /// Buffer start plus the ROI offset in bytes.
  unsigned char* Get8bitImageBufferROI(TCPx8bitImage* image) const;
  unsigned char* Get24bitImageBufferROI(TCPx24bitImage* image) const;
  unsigned char* Get32bitImageBufferROI(TCPx32bitImage* image) const;
  float* GetFloatImageBuffer(TCPxFloatImage* image) const;
  /// Buffer start plus the ROI offset in floats.
  float* GetFloatImageBufferROI(TCPxFloatImage* image) const;
};

/// A filter over a square neighbourhood of `kernel size` pixels.
class PIXOLAN_EXPORT TCPxKernelFilter : public TCPxImageFilter
{
public:
  explicit TCPxKernelFilter(int kernelSize);
  virtual void SetKernelSize(int kernelSize);
  int GetKernelSize() const { return m_iKernelSize; }
  /// (a + b) * (kernel size / 2): with (stride, bytes per pixel) the byte offset
  /// of pixel (k / 2, k / 2).
  int CalculateBufferOffset(int a, int b) const;
  /// The image's ROI shrunk so that a kernel centred on any of its pixels lies
  /// inside the image; (-1, -1, -1, -1) when nothing remains.
  TCGenRect<int> CalculateValidROI(const TCPxImageBase& image) const;

protected:
  int m_iKernelSize;
};
