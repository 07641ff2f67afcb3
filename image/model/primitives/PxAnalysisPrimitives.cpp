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
// difference, so equal differences leave in the order they came. Each FIFO is
// a ring buffer: it holds only the current frontier, which stays in cache,
// however many pixels pass through it.
class BucketQueue
{
public:
  void Push(int priority, Candidate c)
  {
    m_buckets[priority].Push(c);
    if (priority < m_lowest)
      m_lowest = priority;
    ++m_size;
  }
  bool Pop(Candidate* out)
  {
    if (m_size == 0)
      return false;
    while (m_buckets[m_lowest].Empty())
      ++m_lowest;
    *out = m_buckets[m_lowest].Pop();
    --m_size;
    return true;
  }

private:
  class Ring
  {
  public:
    bool Empty() const { return m_count == 0; }
    void Push(Candidate c)
    {
      if (m_count == m_items.size())
        Grow();
      m_items[(m_head + m_count) & (m_items.size() - 1)] = c;
      ++m_count;
    }
    Candidate Pop()
    {
      const Candidate c = m_items[m_head];
      m_head = (m_head + 1) & (m_items.size() - 1);
      --m_count;
      return c;
    }

  private:
    void Grow()
    {
      std::vector<Candidate> bigger(m_items.empty() ? 64 : 2 * m_items.size());
      for (std::size_t i = 0; i < m_count; ++i)
        bigger[i] = m_items[(m_head + i) & (m_items.size() - 1)];
      m_items.swap(bigger);
      m_head = 0;
    }
    std::vector<Candidate> m_items;
    std::size_t m_head = 0;
    std::size_t m_count = 0;
  };
  Ring m_buckets[256];
  int m_lowest = 256;
  std::size_t m_size = 0;
};
}  // namespace

void SegmentGradient8u(const std::uint8_t* image, int imageStride, std::uint8_t* markers, int markerStride, int width,
                       int height)
{
  if (width <= 0 || height <= 0)
    return;
  // One working cell per pixel, with a one-pixel frame around the region:
  // frame cells count as labelled, so neighbours need no bounds checks and
  // candidates are plain offsets. `best` is the lowest difference the pixel
  // is queued with so far: an offer that is not lower would leave the queue
  // after that one (equal ones leave in order) and find the pixel labelled,
  // so it is not queued at all.
  struct Cell
  {
    std::uint8_t grey;
    std::uint8_t label;
    std::uint16_t best;
  };
  const std::size_t pw = static_cast<std::size_t>(width) + 2;
  const std::size_t ph = static_cast<std::size_t>(height) + 2;
  if (pw * ph > 0xffffffffull)
    return;
  std::vector<Cell> cells(pw * ph, Cell{0, 1, 0});
  for (int y = 0; y < height; ++y)
  {
    const std::uint8_t* src = image + std::ptrdiff_t(y) * imageStride;
    const std::uint8_t* mk = markers + std::ptrdiff_t(y) * markerStride;
    Cell* row = cells.data() + (y + 1) * pw + 1;
    for (int x = 0; x < width; ++x)
      row[x] = Cell{src[x], mk[x], 256};
  }
  const std::ptrdiff_t stride = static_cast<std::ptrdiff_t>(pw);
  const std::ptrdiff_t neighbours[8] = {-stride - 1, -stride, -stride + 1, -1, 1, stride - 1, stride, stride + 1};
  BucketQueue queue;

  // Queues every unlabelled 8-neighbour of the labelled pixel at `at`.
  const auto offer = [&](std::uint32_t at) {
    const int value = cells[at].grey;
    const std::uint8_t label = cells[at].label;
    for (const std::ptrdiff_t d : neighbours)
    {
      const auto n = static_cast<std::uint32_t>(static_cast<std::ptrdiff_t>(at) + d);
      Cell& cell = cells[n];
      if (cell.label != 0)
        continue;
      int diff = cell.grey - value;
      diff = diff < 0 ? -diff : diff;
      if (diff < cell.best)
      {
        cell.best = static_cast<std::uint16_t>(diff);
        queue.Push(diff, Candidate{n, label});
      }
    }
  };

  for (std::size_t y = 1; y <= static_cast<std::size_t>(height); ++y)
    for (std::size_t x = 1; x <= static_cast<std::size_t>(width); ++x)
    {
      const std::size_t at = y * pw + x;
      if (cells[at].label != 0)
        offer(static_cast<std::uint32_t>(at));
    }

  Candidate c;
  while (queue.Pop(&c))
  {
    Cell& cell = cells[c.index];
    if (cell.label != 0)
      continue;
    cell.label = c.label;
    offer(c.index);
  }

  for (int y = 0; y < height; ++y)
  {
    std::uint8_t* mk = markers + std::ptrdiff_t(y) * markerStride;
    const Cell* row = cells.data() + (y + 1) * pw + 1;
    for (int x = 0; x < width; ++x)
      mk[x] = row[x].label;
  }
}
}  // namespace PxAnalysisPrim
