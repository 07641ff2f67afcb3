# The filter framework, its factory and every filter family.
target_sources(pixolan PRIVATE
  filters/TCPxImageFilter.cpp
  filters/TCPxFilterTable.cpp
  filters/TCPxFilterDoubleThreshold.cpp
  filters/TCPxFilterRank.cpp
  filters/TCPxFilterFixed.cpp
  filters/TCPxFilterMorphology.cpp
  filters/TCPxFilterGauss.cpp
  filters/TCPxFilterEdge.cpp
  filters/TCPxFilterSmoothing.cpp
  filters/TCPxFilterConvolution.cpp
  filters/TCPxFilterCORF.cpp
  filters/TCPxFilterGabor.cpp
  filters/TCPxFilterTexture.cpp
  filters/TCPxFilterMotionHistory.cpp
  filters/TCPxFilterHSV.cpp)
