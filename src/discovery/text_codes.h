// Small text helpers shared by the readers of other programs' settings files.
#pragma once

#include "platform/paths.h"

#include <cstddef>
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

// Reads a quoted text from just after its opening character up to the unescaped `close`, and
// moves `pos` past that. For each backslash escape, `escape(e, pos, units)` is called with the
// character after the backslash and `pos` after it; it reads any further digits, puts what the
// escape stands for (through `units`, or into `out` after units.Flush()) and returns false for a
// bad escape. False when the text ends first or an escape is bad.
template <class Escape>
bool ReadQuoted(std::string_view text, std::size_t& pos, char close, std::string& out,
                Escape&& escape) {
    Utf16Writer units(out);
    while (pos < text.size()) {
        const char c = text[pos++];
        if (c == close) {
            units.Flush();
            return true;
        }
        if (c != '\\') {
            units.Flush();
            out += c;
            continue;
        }
        if (pos >= text.size())
            return false;
        const char e = text[pos++];
        if (!escape(e, pos, units))
            return false;
    }
    return false;
}
// The text without leading and trailing blanks (spaces, tabs, CR).
std::string_view TrimBlanks(std::string_view text);

} // namespace qb::discovery
