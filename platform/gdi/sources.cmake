# The device-context stand-in, built into libpixolan (its painting functions
# are exported from there).
target_sources(pixolan PRIVATE ${CMAKE_CURRENT_LIST_DIR}/WinGdi.cpp)
