# Contours and their measures, shape invariants, image files, display and
# component wrappers, objects of an image, well plates.
target_sources(pixolan PRIVATE
  analysis/PxMomentRules.cpp
  analysis/TCPxAquavistWellDetector.cpp
  analysis/TCPxCircleDetector.cpp
  analysis/TCPxContour.cpp
  analysis/TCPxContourFourier.cpp
  analysis/TCPxContourShape.cpp
  analysis/TCPxContourText.cpp
  analysis/TCPxIO.cpp
  analysis/TCPxGUI.cpp
  analysis/TCPxComUtils.cpp
  analysis/TCPxInvariants.cpp
  analysis/TCPxMatching.cpp
  analysis/TCPxComparing.cpp
  analysis/TCPxHistogram.cpp
  analysis/TCPxSegmentation.cpp
  analysis/TCPxDFT.cpp
  analysis/TCPxResizing.cpp
  analysis/TCPxOpticalFlowCalculatorLucasKanade.cpp
  analysis/TCPxObjectFinder.cpp)
