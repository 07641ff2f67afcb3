#pragma once
#include <memory>

#include <general/TCGenRect.h>
#include <pixolan/PxExport.h>

class TCPxImageBase;

/// Sets an image's ROI for the lifetime of a scope and restores the previous
/// ROI on destruction. Holds a raw pointer: the caller keeps the image alive
/// for the guard's lifetime (the shared-pointer forms hold no reference).
class PIXOLAN_EXPORT TCPxAutoRoi
{
public:
  TCPxAutoRoi(TCPxImageBase* image, const TCGenRect<int>& roi);
  /// Sets the full ROI.
  explicit TCPxAutoRoi(std::shared_ptr<TCPxImageBase> image);
  TCPxAutoRoi(std::shared_ptr<TCPxImageBase> image, const TCGenRect<int>& roi);
  ~TCPxAutoRoi();

  TCPxAutoRoi(const TCPxAutoRoi&) = delete;
  TCPxAutoRoi& operator=(const TCPxAutoRoi&) = delete;

private:
  TCPxImageBase* m_pImage;
  TCGenRect<int> m_savedRoi;
};
