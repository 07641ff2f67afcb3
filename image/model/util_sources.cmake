# Whole-image conversions and utilities: detection part and kernels.
list(APPEND PIXOLAN_SOURCES model/TCPxUtilDetection.cpp)
list(APPEND PIXOLAN_PRIMITIVE_SOURCES model/primitives/PxUtilPrimitives.cpp)
list(APPEND PIXOLAN_SOURCES model/TCPxUtilContours.cpp)
