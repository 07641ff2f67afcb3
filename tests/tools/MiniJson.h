#pragma once
// A small strict JSON reader for checking the tool's --json output: it
// rejects anything that is not one complete JSON value.
#include <cctype>
#include <cstdlib>
#include <map>
#include <stdexcept>
#include <string>
#include <vector>

namespace mini_json
{
struct Value
{
  enum Kind { Null, Bool, Number, String, Array, Object } kind = Null;
  bool boolean = false;
  double number = 0;
  std::string text;
  std::vector<Value> items;
  std::map<std::string, Value> members;

  const Value& operator[](const std::string& key) const
  {
    const auto it = members.find(key);
    if (kind != Object || it == members.end())
      throw std::out_of_range("no member " + key);
    return it->second;
  }
  const Value& operator[](std::size_t i) const { return items.at(i); }
  bool Has(const std::string& key) const { return kind == Object && members.count(key) != 0; }
};

class Parser
{
public:
  explicit Parser(const std::string& text) : m_text(text) {}

  Value ParseDocument()
  {
    Value v = ParseValue();
    SkipSpace();
    if (m_pos != m_text.size())
      Fail("trailing characters");
    return v;
  }

private:
  [[noreturn]] void Fail(const std::string& what)
  {
    throw std::runtime_error("JSON: " + what + " at offset " + std::to_string(m_pos));
  }
  void SkipSpace()
  {
    while (m_pos < m_text.size() && std::isspace(static_cast<unsigned char>(m_text[m_pos])))
      ++m_pos;
  }
  bool Take(char c)
  {
    SkipSpace();
    if (m_pos < m_text.size() && m_text[m_pos] == c)
    {
      ++m_pos;
      return true;
    }
    return false;
  }
  void Expect(char c)
  {
    if (!Take(c))
      Fail(std::string("expected '") + c + "'");
  }
  bool Literal(const char* word)
  {
    const std::size_t n = std::char_traits<char>::length(word);
    if (m_text.compare(m_pos, n, word) != 0)
      return false;
    m_pos += n;
    return true;
  }
  std::string ParseString()
  {
    Expect('"');
    std::string out;
    while (true)
    {
      if (m_pos >= m_text.size())
        Fail("unterminated string");
      const char c = m_text[m_pos++];
      if (c == '"')
        return out;
      if (static_cast<unsigned char>(c) < 0x20)
        Fail("control character in string");
      if (c != '\\')
      {
        out += c;
        continue;
      }
      if (m_pos >= m_text.size())
        Fail("bad escape");
      const char e = m_text[m_pos++];
      switch (e)
      {
      case '"': out += '"'; break;
      case '\\': out += '\\'; break;
      case '/': out += '/'; break;
      case 'b': out += '\b'; break;
      case 'f': out += '\f'; break;
      case 'n': out += '\n'; break;
      case 'r': out += '\r'; break;
      case 't': out += '\t'; break;
      case 'u':
        if (m_pos + 4 > m_text.size())
          Fail("bad unicode escape");
        out += static_cast<char>(std::strtol(m_text.substr(m_pos, 4).c_str(), nullptr, 16) & 0x7f);
        m_pos += 4;
        break;
      default: Fail("bad escape");
      }
    }
  }
  Value ParseValue()
  {
    SkipSpace();
    if (m_pos >= m_text.size())
      Fail("unexpected end");
    Value v;
    const char c = m_text[m_pos];
    if (c == '{')
    {
      ++m_pos;
      v.kind = Value::Object;
      if (Take('}'))
        return v;
      do
      {
        SkipSpace();
        const std::string key = ParseString();
        Expect(':');
        v.members[key] = ParseValue();
      } while (Take(','));
      Expect('}');
    }
    else if (c == '[')
    {
      ++m_pos;
      v.kind = Value::Array;
      if (Take(']'))
        return v;
      do
        v.items.push_back(ParseValue());
      while (Take(','));
      Expect(']');
    }
    else if (c == '"')
    {
      v.kind = Value::String;
      v.text = ParseString();
    }
    else if (Literal("true") || Literal("false"))
    {
      v.kind = Value::Bool;
      v.boolean = m_text[m_pos - 1] == 'e' && m_text[m_pos - 2] == 'u';
    }
    else if (Literal("null"))
      v.kind = Value::Null;
    else
    {
      // -?(0|[1-9][0-9]*)(.[0-9]+)?([eE][+-]?[0-9]+)?
      const std::size_t start = m_pos;
      if (m_text[m_pos] == '-')
        ++m_pos;
      auto digits = [&]() {
        const std::size_t from = m_pos;
        while (m_pos < m_text.size() && std::isdigit(static_cast<unsigned char>(m_text[m_pos])))
          ++m_pos;
        if (m_pos == from)
          Fail("bad number");
      };
      if (m_pos < m_text.size() && m_text[m_pos] == '0')
        ++m_pos;
      else
        digits();
      if (m_pos < m_text.size() && m_text[m_pos] == '.')
      {
        ++m_pos;
        digits();
      }
      if (m_pos < m_text.size() && (m_text[m_pos] == 'e' || m_text[m_pos] == 'E'))
      {
        ++m_pos;
        if (m_pos < m_text.size() && (m_text[m_pos] == '+' || m_text[m_pos] == '-'))
          ++m_pos;
        digits();
      }
      v.kind = Value::Number;
      v.number = std::strtod(m_text.substr(start, m_pos - start).c_str(), nullptr);
    }
    return v;
  }

  const std::string& m_text;
  std::size_t m_pos = 0;
};

/// Parses a complete JSON document; throws std::runtime_error on any defect.
inline Value Parse(const std::string& text)
{
  return Parser(text).ParseDocument();
}
} // namespace mini_json
