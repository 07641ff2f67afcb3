#include <gtest/gtest.h>
#include <pixolan/analysis/TCPxContour.h>
TEST(Contour, Placeholder) {}
