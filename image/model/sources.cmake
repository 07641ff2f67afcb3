# Image containers, conversions, whole-image utilities, contours from masks, thinning.
target_sources(pixolan PRIVATE
  model/TCPxImageBase.cpp
  model/TCPxByteImage.cpp
  model/TCPxAutoRoi.cpp
  model/TCPx8bitImage.cpp
  model/TCPx8bitImageObjects.cpp
  model/TCPxColourImages.cpp
  model/TCPxFloatImage.cpp
  model/TCPxInt32Image.cpp
  model/TCPxAvrImage.cpp
  model/TCPxUtil.cpp
  model/TCPxUtilDetection.cpp
  model/TCPxUtilContours.cpp
  model/TCPxConversion.cpp)
