#include "text/html_text.h"

#include "platform/paths.h"
#include "platform/utf8.h"

#include <algorithm>
#include <array>
#include <utility>

namespace qb {

namespace {

bool IsSpace(char c) {
    return c == ' ' || c == '\t' || c == '\r' || c == '\n' || c == '\f';
}

bool IsAlnum(char c) {
    return (c >= 'a' && c <= 'z') || (c >= 'A' && c <= 'Z') || (c >= '0' && c <= '9');
}

// Position of `needle` (lower case) in `text` from `from` on, ignoring ASCII case.
std::size_t FindNoCase(std::string_view text, std::string_view needle, std::size_t from) {
    const auto it =
        std::search(text.begin() + static_cast<std::ptrdiff_t>(from), text.end(), needle.begin(),
                    needle.end(), [](char a, char b) { return ToLowerAscii(a) == b; });
    return it == text.end() ? std::string_view::npos : static_cast<std::size_t>(it - text.begin());
}

bool OneOf(std::string_view name, std::initializer_list<std::string_view> names) {
    return std::find(names.begin(), names.end(), name) != names.end();
}

constexpr std::array<std::pair<std::string_view, char32_t>, 42> kEntities{{
    {"amp", '&'},      {"lt", '<'},       {"gt", '>'},        {"quot", '"'},     {"apos", '\''},
    {"nbsp", ' '},     {"copy", 0xA9},    {"reg", 0xAE},      {"euro", 0x20AC},  {"pound", 0xA3},
    {"mdash", 0x2014}, {"ndash", 0x2013}, {"hellip", 0x2026}, {"lsquo", 0x2018}, {"rsquo", 0x2019},
    {"ldquo", 0x201C}, {"rdquo", 0x201D}, {"bull", 0x2022},   {"middot", 0xB7},  {"laquo", 0xAB},
    {"raquo", 0xBB},   {"auml", 0xE4},    {"ouml", 0xF6},     {"uuml", 0xFC},    {"Auml", 0xC4},
    {"Ouml", 0xD6},    {"Uuml", 0xDC},    {"szlig", 0xDF},    {"eacute", 0xE9},  {"egrave", 0xE8},
    {"ecirc", 0xEA},   {"Eacute", 0xC9},  {"agrave", 0xE0},   {"aacute", 0xE1},  {"acirc", 0xE2},
    {"ccedil", 0xE7},  {"ntilde", 0xF1},  {"oslash", 0xF8},   {"aring", 0xE5},   {"iacute", 0xED},
    {"oacute", 0xF3},  {"uacute", 0xFA},
}};

// Reads a character reference at `pos` ('&'); on success appends it and moves `pos` past it.
bool Reference(std::string_view html, std::size_t& pos, std::string& out) {
    // Only a short stretch is looked at, so that text full of '&' stays linear.
    const std::size_t semi = html.substr(0, pos + 12).find(';', pos);
    if (semi == std::string_view::npos)
        return false;
    const std::string_view body = html.substr(pos + 1, semi - pos - 1);
    char32_t cp = 0;
    if (body.size() >= 2 && body[0] == '#') {
        const bool hex = body[1] == 'x' || body[1] == 'X';
        const std::string_view digits = body.substr(hex ? 2 : 1);
        if (digits.empty())
            return false;
        for (const char c : digits) {
            const int v = hex ? HexDigit(c) : (c >= '0' && c <= '9' ? c - '0' : -1);
            if (v < 0)
                return false;
            cp = cp * (hex ? 16 : 10) + static_cast<char32_t>(v);
        }
        if (cp == 0 || cp > 0x10FFFF)
            cp = 0xFFFD;
    } else {
        const auto it = std::find_if(kEntities.begin(), kEntities.end(),
                                     [&](const auto& e) { return e.first == body; });
        if (it == kEntities.end())
            return false;
        cp = it->second;
    }
    AppendUtf8(cp, out);
    pos = semi + 1;
    return true;
}

class Writer {
  public:
    void Char(std::string_view bytes) {
        if (m_space && !m_out.empty() && m_out.back() != '\n')
            m_out += ' ';
        m_space = false;
        m_out.append(bytes);
    }
    void Space() { m_space = true; }
    // Ends the line; with `blank`, leaves an empty line too. Never more than one empty line.
    void Break(bool blank) {
        m_space = false;
        if (m_out.empty())
            return;
        const std::size_t want = blank ? 2 : 1;
        std::size_t have = 0;
        while (have < m_out.size() && m_out[m_out.size() - 1 - have] == '\n')
            ++have;
        if (have < want)
            m_out.append(want - have, '\n');
    }
    std::string Finish() {
        while (!m_out.empty() && m_out.back() == '\n')
            m_out.pop_back();
        return std::move(m_out);
    }
    std::string& Out() {
        if (m_space && !m_out.empty() && m_out.back() != '\n')
            m_out += ' ';
        m_space = false;
        return m_out;
    }

  private:
    std::string m_out;
    bool m_space = false;
};

} // namespace

std::string HtmlToText(std::string_view html) {
    Writer w;
    std::size_t i = 0;
    std::size_t nextGt = 0; // the first '>' at or after the last search start, remembered
    while (i < html.size()) {
        const char c = html[i];
        if (c == '<') {
            if (html.substr(i, 4) == "<!--") {
                const std::size_t end = html.find("-->", i + 4);
                i = end == std::string_view::npos ? html.size() : end + 3;
                continue;
            }
            std::size_t j = i + 1;
            const bool closing = j < html.size() && html[j] == '/';
            if (closing)
                ++j;
            const bool markup =
                j < html.size() && (IsAlnum(html[j]) || html[j] == '!' || html[j] == '?');
            if (nextGt != std::string_view::npos && nextGt < j)
                nextGt = html.find('>', j);
            const std::size_t end = nextGt;
            if (!markup || end == std::string_view::npos) {
                w.Char("<");
                ++i;
                continue;
            }
            std::string name;
            for (std::size_t k = j; k < end && IsAlnum(html[k]) && name.size() < 16; ++k)
                name += ToLowerAscii(html[k]);
            i = end + 1;
            if (!closing && OneOf(name, {"script", "style", "head", "title"})) {
                const std::size_t close = FindNoCase(html, "</" + name, i);
                const std::size_t gt =
                    close == std::string_view::npos ? close : html.find('>', close);
                i = gt == std::string_view::npos ? html.size() : gt + 1;
            } else if (name == "br") {
                w.Out() += '\n';
            } else if (OneOf(name, {"p", "h1", "h2", "h3", "h4", "h5", "h6", "blockquote", "table",
                                    "ul", "ol", "pre", "hr"})) {
                w.Break(true);
            } else if (OneOf(name, {"div", "tr", "li", "dt", "dd", "section", "article", "header",
                                    "footer", "address"})) {
                w.Break(false);
            } else if (OneOf(name, {"td", "th"}) && !closing) {
                w.Space();
            }
            continue;
        }
        if (c == '&' && Reference(html, i, w.Out()))
            continue;
        if (IsSpace(c)) {
            w.Space();
            ++i;
            continue;
        }
        w.Char(html.substr(i, 1));
        ++i;
    }
    return w.Finish();
}

} // namespace qb
