# Contours and their measures, shape invariants, image files, objects of an image.
target_sources(pixolan PRIVATE
  analysis/PxMomentRules.cpp
  analysis/TCPxCircleDetector.cpp
  analysis/TCPxContour.cpp
  analysis/TCPxIO.cpp
  analysis/TCPxInvariants.cpp
  analysis/TCPxMatching.cpp
  analysis/TCPxObjectFinder.cpp)
