#include <pixolan/model/TCPxAutoRoi.h>
#include <pixolan/model/TCPxImageBase.h>

TCPxAutoRoi::TCPxAutoRoi(TCPxImageBase* image, const TCGenRect<int>& roi) : m_pImage(image)
{
  if (!m_pImage)
    return;
  m_savedRoi = m_pImage->GetROI();
  m_pImage->SetROI(roi);
}

TCPxAutoRoi::TCPxAutoRoi(std::shared_ptr<TCPxImageBase> image) : m_pImage(image.get())
{
  if (!m_pImage)
    return;
  m_savedRoi = m_pImage->GetROI();
  m_pImage->SetFullROI();
}

TCPxAutoRoi::TCPxAutoRoi(std::shared_ptr<TCPxImageBase> image, const TCGenRect<int>& roi)
    : TCPxAutoRoi(image.get(), roi)
{
}

TCPxAutoRoi::~TCPxAutoRoi()
{
  // The saved ROI was valid for this image, so restoring it cannot throw.
  if (m_pImage)
    m_pImage->SetROI(m_savedRoi);
}
