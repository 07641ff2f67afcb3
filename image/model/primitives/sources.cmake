# Pixel kernels behind the image classes and the filters (internal, not installed).
target_sources(pixolan_primitives PRIVATE
  model/primitives/PxPrimitives.cpp
  model/primitives/PxGreyPrimitives.cpp
  model/primitives/PxWarpPrimitives.cpp
  model/primitives/PxColourPrimitives.cpp
  model/primitives/PxFilterPrimitives.cpp
  model/primitives/PxFloatPrimitives.cpp
  model/primitives/PxUtilPrimitives.cpp
  model/primitives/PxAnalysisPrimitives.cpp)
target_sources(pixolan_resize_primitives PRIVATE
  model/primitives/PxResizePrimitives.cpp)
