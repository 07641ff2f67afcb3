list(APPEND PIXOLAN_SOURCES analysis/TCPxContour.cpp)
list(APPEND PIXOLAN_SOURCES analysis/TCPxIO.cpp)
list(APPEND PIXOLAN_SOURCES analysis/TCPxObjectFinder.cpp)
