// The contour text form read from memory, into an empty contour and into one
// that already holds points. A refused text sets the fail state and leaves the
// contour unchanged; an accepted one appends points and keeps those held.
#include <cstdint>
#include <sstream>
#include <string>
#include <vector>

#include <pixolan/analysis/TCPxContour.h>

#include "FuzzInput.h"

namespace
{
void ReadInto(TCPxContour& contour, const std::string& text)
{
  const std::vector<cv::Point> before = contour.GetPoints();
  std::istringstream in(text);
  in >> contour;
  const std::vector<cv::Point>& after = contour.GetPoints();
  if (in.fail())
  {
    FUZZ_CHECK(after == before);
    return;
  }
  FUZZ_CHECK(after.size() >= before.size());
  FUZZ_CHECK(std::equal(before.begin(), before.end(), after.begin()));
  FUZZ_CHECK(contour.GetSize() == static_cast<int>(after.size()));
}
} // namespace

extern "C" int LLVMFuzzerTestOneInput(const std::uint8_t* data, std::size_t size)
{
  const std::string text(reinterpret_cast<const char*>(data), size);
  TCPxContour empty;
  ReadInto(empty, text);
  TCPxContour square(std::vector<cv::Point>{{0, 0}, {4, 0}, {4, 4}, {0, 4}});
  ReadInto(square, text);
  return 0;
}
