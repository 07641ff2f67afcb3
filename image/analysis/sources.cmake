# Contours and their measures, image files.
target_sources(pixolan PRIVATE
  analysis/TCPxContour.cpp
  analysis/TCPxIO.cpp)
