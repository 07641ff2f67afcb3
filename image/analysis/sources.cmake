list(APPEND PIXOLAN_SOURCES analysis/TCPxContour.cpp)
