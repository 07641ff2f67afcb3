# The detectors' steps: internal, linked into the library and into the tests
# that check the steps one by one.
target_sources(pixolan_detection PRIVATE
  analysis/detection/PxCircleSupport.cpp
  analysis/detection/PxRectGrid.cpp
  analysis/detection/PxWellGrid.cpp
  analysis/detection/TCPxCircleDetectorImpl.cpp)
