#include "discovery/prefs_js.h"

#include "discovery/text_codes.h"

#include <algorithm>
#include <cctype>

namespace qb::discovery {

namespace {

class PrefsReader {
  public:
    explicit PrefsReader(std::string_view text) : m_text(text) {}

    bool Read(Prefs& prefs) {
        for (;;) {
            if (!SkipSpace())
                return false;
            if (m_pos == m_text.size())
                return true;
            if (!Statement(prefs))
                return false;
        }
    }

    std::string Error() const {
        const auto line =
            1 + std::count(m_text.begin(), m_text.begin() + static_cast<std::ptrdiff_t>(m_errorAt),
                           '\n');
        return "line " + std::to_string(line) + ": " + m_why;
    }

  private:
    bool Fail(std::string why) {
        m_why = std::move(why);
        m_errorAt = std::min(m_pos, m_text.size());
        return false;
    }

    bool At(char c) const { return m_pos < m_text.size() && m_text[m_pos] == c; }

    // Skips blanks and comments; false for a comment that never ends.
    bool SkipSpace() {
        while (m_pos < m_text.size()) {
            const char c = m_text[m_pos];
            if (c == ' ' || c == '\t' || c == '\r' || c == '\n' || c == '\f' || c == '\v') {
                ++m_pos;
            } else if (c == '#' || m_text.substr(m_pos, 2) == "//") {
                const std::size_t end = m_text.find('\n', m_pos);
                m_pos = end == std::string_view::npos ? m_text.size() : end + 1;
            } else if (m_text.substr(m_pos, 2) == "/*") {
                const std::size_t end = m_text.find("*/", m_pos + 2);
                if (end == std::string_view::npos)
                    return Fail("comment never ends");
                m_pos = end + 2;
            } else {
                break;
            }
        }
        return true;
    }

    bool Expect(char c) {
        if (!SkipSpace())
            return false;
        if (!At(c))
            return Fail(std::string("'") + c + "' expected");
        ++m_pos;
        return true;
    }

    std::string_view Word() {
        const std::size_t start = m_pos;
        while (m_pos < m_text.size() &&
               (std::isalnum(static_cast<unsigned char>(m_text[m_pos])) || m_text[m_pos] == '_'))
            ++m_pos;
        return m_text.substr(start, m_pos - start);
    }

    // A string in double or single quotes with the escapes \" \' \\ \n \r \t \xHH \uHHHH.
    bool String(std::string& out) {
        const char quote = m_text[m_pos++];
        bool badEscape = false;
        const bool read =
            ReadQuoted(m_text, m_pos, quote, out, [&](char e, std::size_t& at, Utf16Writer& units) {
                const int digits = e == 'x' ? 2 : e == 'u' ? 4 : 0;
                if (digits == 0) {
                    units.Flush();
                    out += e == 'n' ? '\n' : e == 'r' ? '\r' : e == 't' ? '\t' : e;
                    return true;
                }
                std::uint32_t unit = 0;
                for (int i = 0; i < digits; ++i) {
                    if (at >= m_text.size() || HexDigit(m_text[at]) < 0) {
                        badEscape = true;
                        return false;
                    }
                    unit = unit * 16 + static_cast<std::uint32_t>(HexDigit(m_text[at++]));
                }
                units.Put(static_cast<std::uint16_t>(unit));
                return true;
            });
        return read || Fail(badEscape ? "bad escape in a string" : "string never ends");
    }

    bool Value(PrefValue& value) {
        if (!SkipSpace())
            return false;
        if (At('"') || At('\'')) {
            value.kind = PrefValue::Kind::String;
            return String(value.text);
        }
        const std::size_t start = m_pos;
        if (At('-') || At('+'))
            ++m_pos;
        const std::string_view word = Word();
        if (start == m_pos - word.size() && (word == "true" || word == "false")) {
            value.kind = PrefValue::Kind::Boolean;
        } else if (!word.empty() && std::all_of(word.begin(), word.end(),
                                                [](char c) { return c >= '0' && c <= '9'; })) {
            value.kind = PrefValue::Kind::Integer;
        } else {
            m_pos = start;
            return Fail("a string, number, true or false expected");
        }
        value.text = std::string(m_text.substr(start, m_pos - start));
        return true;
    }

    // pref("name", value [, attribute]...);
    bool Statement(Prefs& prefs) {
        const std::string_view function = Word();
        if (function != "user_pref" && function != "pref" && function != "sticky_pref")
            return Fail("a pref call expected");
        if (!Expect('(') || !SkipSpace())
            return false;
        if (!At('"') && !At('\''))
            return Fail("a pref name expected");
        std::string name;
        PrefValue value;
        if (!String(name) || !Expect(',') || !Value(value))
            return false;
        for (;;) {
            if (!SkipSpace())
                return false;
            if (!At(','))
                break;
            ++m_pos;
            if (!SkipSpace())
                return false;
            if (Word().empty())
                return Fail("an attribute expected");
        }
        if (!Expect(')') || !Expect(';'))
            return false;
        prefs[std::move(name)] = std::move(value);
        return true;
    }

    std::string_view m_text;
    std::size_t m_pos = 0;
    std::string m_why;
    std::size_t m_errorAt = 0;
};

} // namespace

bool ParsePrefs(std::string_view text, Prefs& prefs, std::string& error) {
    PrefsReader reader(text);
    Prefs read;
    if (!reader.Read(read)) {
        prefs.clear();
        error = reader.Error();
        return false;
    }
    prefs = std::move(read);
    return true;
}

std::optional<std::string> PrefString(const Prefs& prefs, std::string_view name) {
    const auto it = prefs.find(name);
    if (it == prefs.end() || it->second.kind != PrefValue::Kind::String)
        return std::nullopt;
    return it->second.text;
}

} // namespace qb::discovery
