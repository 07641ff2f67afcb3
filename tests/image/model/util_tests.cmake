list(APPEND IMAGE_MODEL_UTIL_TESTS UtilTests.cpp UtilPrimitivesTests.cpp)
