// Small text helpers shared by the readers of other programs' settings files.
#pragma once

#include <cstdint>
#include <string>
#include <string_view>

namespace qb::discovery {

// Appends one Unicode code point as UTF-8; a surrogate or a value past U+10FFFF gives U+FFFD.
void AppendUtf8(std::string& out, std::uint32_t codePoint);

// Collects UTF-16 code units and writes them as UTF-8, pairing surrogates; a lone surrogate
// becomes U+FFFD.
class Utf16Writer {
  public:
    explicit Utf16Writer(std::string& out) : m_out(out) {}
    ~Utf16Writer() { Flush(); }
    Utf16Writer(const Utf16Writer&) = delete;
    Utf16Writer& operator=(const Utf16Writer&) = delete;

    void Put(std::uint16_t unit);
    // Ends a pending high surrogate (before raw bytes are appended to the same text).
    void Flush();

  private:
    std::string& m_out;
    std::uint16_t m_high = 0;
};

// The value of a hexadecimal digit, or -1.
int HexDigit(char c);
// The text without leading and trailing blanks (spaces, tabs, CR).
std::string_view TrimBlanks(std::string_view text);

} // namespace qb::discovery
