#include "PxAnalysisPrimitives.h"

#include <cmath>
#include <cstddef>
#include <vector>

namespace PxAnalysisPrim
{
void CompareRows(ECompare op, const float* a, int aStride, const float* b, int bStride, std::uint8_t* dst,
                 int dstStride, int width, int height)
{
  for (int y = 0; y < height; ++y)
  {
    const float* ra = reinterpret_cast<const float*>(reinterpret_cast<const char*>(a) + std::ptrdiff_t(y) * aStride);
    const float* rb = reinterpret_cast<const float*>(reinterpret_cast<const char*>(b) + std::ptrdiff_t(y) * bStride);
    std::uint8_t* d = dst + std::ptrdiff_t(y) * dstStride;
    if (op == ECompare::Less)
      for (int x = 0; x < width; ++x)
        d[x] = ra[x] < rb[x] ? 255 : 0;
    else
      for (int x = 0; x < width; ++x)
        d[x] = ra[x] > rb[x] ? 255 : 0;
  }
}

void CompareEqualEpsRows(const float* a, int aStride, float value, float eps, std::uint8_t* dst, int dstStride,
                         int width, int height)
{
  for (int y = 0; y < height; ++y)
  {
    const float* ra = reinterpret_cast<const float*>(reinterpret_cast<const char*>(a) + std::ptrdiff_t(y) * aStride);
    std::uint8_t* d = dst + std::ptrdiff_t(y) * dstStride;
    for (int x = 0; x < width; ++x)
      d[x] = std::fabs(ra[x] - value) <= eps ? 255 : 0;
  }
}

namespace
{
// A candidate: the pixel (row-major index into the region) and the label
// offered by the neighbour that queued it.
struct Candidate
{
  std::uint32_t index;
  std::uint8_t label;
};

// Priority queue over the 256 possible grey differences: one FIFO per
// difference, so equal differences leave in the order they came.
class BucketQueue
{
public:
  void Push(int priority, Candidate c)
  {
    m_buckets[priority].items.push_back(c);
    if (priority < m_lowest)
      m_lowest = priority;
    ++m_size;
  }
  bool Pop(Candidate* out)
  {
    if (m_size == 0)
      return false;
    while (true)
    {
      Bucket& b = m_buckets[m_lowest];
      if (b.head < b.items.size())
      {
        *out = b.items[b.head++];
        if (b.head == b.items.size())
        {
          b.items.clear();
          b.head = 0;
        }
        --m_size;
        return true;
      }
      ++m_lowest;
    }
  }

private:
  struct Bucket
  {
    std::vector<Candidate> items;
    std::size_t head = 0;
  };
  Bucket m_buckets[256];
  int m_lowest = 256;
  std::size_t m_size = 0;
};
}  // namespace

void SegmentGradient8u(const std::uint8_t* image, int imageStride, std::uint8_t* markers, int markerStride, int width,
                       int height)
{
  // Candidates address pixels by a 32-bit index.
  if (width <= 0 || height <= 0 || static_cast<unsigned long long>(width) * static_cast<unsigned long long>(height) >
                                       0xffffffffull)
    return;
  const auto pixel = [&](int x, int y) { return image[std::ptrdiff_t(y) * imageStride + x]; };
  const auto label = [&](int x, int y) -> std::uint8_t& { return markers[std::ptrdiff_t(y) * markerStride + x]; };
  BucketQueue queue;

  // Queues every unlabelled 8-neighbour of the labelled pixel (x, y).
  const auto offer = [&](int x, int y) {
    const int grey = pixel(x, y);
    const std::uint8_t l = label(x, y);
    const int y0 = y > 0 ? y - 1 : y, y1 = y + 1 < height ? y + 1 : y;
    const int x0 = x > 0 ? x - 1 : x, x1 = x + 1 < width ? x + 1 : x;
    for (int ny = y0; ny <= y1; ++ny)
      for (int nx = x0; nx <= x1; ++nx)
        if (label(nx, ny) == 0)
        {
          const int d = pixel(nx, ny) - grey;
          queue.Push(d < 0 ? -d : d, Candidate{static_cast<std::uint32_t>(ny) * static_cast<std::uint32_t>(width) +
                                                   static_cast<std::uint32_t>(nx),
                                               l});
        }
  };

  for (int y = 0; y < height; ++y)
    for (int x = 0; x < width; ++x)
      if (label(x, y) != 0)
        offer(x, y);

  Candidate c;
  while (queue.Pop(&c))
  {
    const int x = static_cast<int>(c.index % static_cast<std::uint32_t>(width));
    const int y = static_cast<int>(c.index / static_cast<std::uint32_t>(width));
    std::uint8_t& l = label(x, y);
    if (l != 0)
      continue;
    l = c.label;
    offer(x, y);
  }
}
}  // namespace PxAnalysisPrim
