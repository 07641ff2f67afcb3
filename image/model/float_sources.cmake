# Float, 32-bit integer and running-average images and their pixel kernels.
list(APPEND PIXOLAN_SOURCES model/TCPxFloatImage.cpp model/TCPxInt32Image.cpp model/TCPxAvrImage.cpp)
list(APPEND PIXOLAN_PRIMITIVE_SOURCES model/primitives/PxFloatPrimitives.cpp)
