# Contours and their measures, image files, objects of an image.
target_sources(pixolan PRIVATE
  analysis/PxMomentRules.cpp
  analysis/TCPxContour.cpp
  analysis/TCPxIO.cpp
  analysis/TCPxObjectFinder.cpp)
