#include <pixolan/analysis/TCPxCircleDetector.h>

#include "detection/TCPxCircleDetectorImpl.h"

TCPxCircleDetector::TCPxCircleDetector() : m_pImpl(new _impl::TCPxCircleDetectorImpl()) {}

TCPxCircleDetector::~TCPxCircleDetector() { delete m_pImpl; }

void TCPxCircleDetector::ProcessImage(const TCPx8bitImage& image, std::vector<TCPxCircle>* circles)
{
  m_pImpl->ProcessImage(image, circles);
}
