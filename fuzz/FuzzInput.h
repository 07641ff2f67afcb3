#pragma once
// Reads typed values off a fuzz input from the front. Past the end every read
// yields zeros, so each input, however short, decodes to one definite case.
#include <cstddef>
#include <cstdint>
#include <cstring>
#include <vector>

class FuzzInput
{
public:
  FuzzInput(const std::uint8_t* data, std::size_t size) : m_data(data), m_size(size) {}

  std::size_t Remaining() const { return m_size - m_pos; }
  const std::uint8_t* Rest() const { return m_data + m_pos; }

  std::uint8_t Byte() { return m_pos < m_size ? m_data[m_pos++] : 0; }
  // Little-endian. The low part is read first in a statement of its own: the
  // operands of `|` are evaluated in no fixed order.
  std::uint16_t U16()
  {
    const unsigned low = Byte();
    return static_cast<std::uint16_t>(low | unsigned(Byte()) << 8);
  }
  std::uint32_t U32()
  {
    const std::uint32_t low = U16();
    return low | std::uint32_t(U16()) << 16;
  }
  std::int16_t I16() { return static_cast<std::int16_t>(U16()); }

  /// Up to `count` bytes, fewer when the input ends first.
  std::vector<std::uint8_t> Bytes(std::size_t count)
  {
    const std::size_t n = count < Remaining() ? count : Remaining();
    std::vector<std::uint8_t> out(m_data + m_pos, m_data + m_pos + n);
    m_pos += n;
    return out;
  }
  /// Exactly `count` bytes, zero-filled past the end.
  void Fill(void* target, std::size_t count)
  {
    if (count == 0)
      return;
    const std::size_t n = count < Remaining() ? count : Remaining();
    std::memcpy(target, m_data + m_pos, n);
    std::memset(static_cast<std::uint8_t*>(target) + n, 0, count - n);
    m_pos += n;
  }

private:
  const std::uint8_t* m_data;
  std::size_t m_size;
  std::size_t m_pos = 0;
};

/// Stops the run with a message naming the broken promise; both builds treat
/// the abort as a finding.
[[noreturn]] void FuzzFail(const char* what);
#define FUZZ_CHECK(cond)                                                                                              \
  do                                                                                                                  \
  {                                                                                                                   \
    if (!(cond))                                                                                                      \
      FuzzFail(#cond);                                                                                                \
  } while (false)
