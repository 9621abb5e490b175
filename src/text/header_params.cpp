#include "text/header_params.h"

#include "platform/paths.h"
#include "text/charset.h"
#include "text/header_decoder.h"
#include "text/text_support.h"

#include <algorithm>
#include <map>

namespace qb {

namespace {

// RFC 2231 section numbers above this are ignored: no real value has that many pieces.
constexpr int kMaxSection = 999;

// Splits at ';' outside quoted strings. A quote opens a quoted string only where a value starts
// (after '='), so a stray quote inside a token does not swallow the parameters after it.
std::vector<std::string_view> SplitSemicolons(std::string_view s) {
    std::vector<std::string_view> pieces;
    bool quoted = false;
    char lastNonBlank = 0;
    std::size_t start = 0;
    for (std::size_t i = 0; i < s.size(); ++i) {
        const char c = s[i];
        if (quoted) {
            if (c == '\\')
                ++i;
            else if (c == '"')
                quoted = false;
        } else if (c == '"' && lastNonBlank == '=') {
            quoted = true;
        } else if (c == ';') {
            pieces.push_back(s.substr(start, i - start));
            start = i + 1;
        }
        if (c != ' ' && c != '\t')
            lastNonBlank = c;
    }
    pieces.push_back(s.substr(start));
    return pieces;
}

// The value of a parameter as written: a quoted string without its quotes and escapes, or the
// trimmed token.
std::string Unquote(std::string_view value) {
    if (value.empty() || value.front() != '"')
        return std::string(value);
    std::string out;
    for (std::size_t i = 1; i < value.size(); ++i) {
        const char c = value[i];
        if (c == '"')
            break;
        if (c == '\\' && i + 1 < value.size())
            out += value[++i];
        else
            out += c;
    }
    return out;
}

std::string PercentDecode(std::string_view s) {
    std::string out;
    for (std::size_t i = 0; i < s.size(); ++i) {
        if (s[i] == '%' && i + 2 < s.size() && HexDigit(s[i + 1]) >= 0 && HexDigit(s[i + 2]) >= 0) {
            out += static_cast<char>(HexDigit(s[i + 1]) * 16 + HexDigit(s[i + 2]));
            i += 2;
        } else {
            out += s[i];
        }
    }
    return out;
}

// An RFC 2231 value that begins with charset'language': the charset is stored and the rest
// returned; a value without the two quotes is all text.
std::string_view TakeCharset(std::string_view value, std::string& charset) {
    const auto q1 = value.find('\'');
    const auto q2 = q1 == std::string_view::npos ? q1 : value.find('\'', q1 + 1);
    if (q2 == std::string_view::npos)
        return value;
    charset = std::string(value.substr(0, q1));
    return value.substr(q2 + 1);
}

// One name=value piece, with the RFC 2231 marks read off the name.
struct Piece {
    std::string base;
    int section = -1; // -1: not a section of a continued value
    bool extended = false;
    std::string value;
};

bool ParsePiece(std::string_view text, Piece& piece) {
    const auto eq = text.find('=');
    if (eq == std::string_view::npos)
        return false;
    std::string name = LowerAscii(TrimWhite(text.substr(0, eq)));
    if (name.empty())
        return false;
    piece.value = Unquote(TrimWhite(text.substr(eq + 1)));
    if (name.back() == '*') {
        piece.extended = true;
        name.pop_back();
    }
    if (const auto star = name.rfind('*'); star != std::string::npos) {
        const std::string digits = name.substr(star + 1);
        if (digits.empty() || digits.size() > 3 ||
            !std::all_of(digits.begin(), digits.end(), [](char c) { return c >= '0' && c <= '9'; }))
            return false;
        piece.section = std::stoi(digits);
        name.resize(star);
    }
    piece.base = std::move(name);
    return !piece.base.empty() && piece.section <= kMaxSection;
}

} // namespace

CHeaderParams::CHeaderParams(std::string_view fieldValue) {
    const std::vector<std::string_view> pieces = SplitSemicolons(fieldValue);
    m_value = LowerAscii(TrimWhite(pieces.front()));

    // A name seen again is ignored, unless it brings an RFC 2231 value where a plain one stood.
    const auto keep = [this](Param param, bool overridesPlain) {
        const auto existing = std::find_if(m_params.begin(), m_params.end(),
                                           [&](const Param& p) { return p.name == param.name; });
        if (existing == m_params.end())
            m_params.push_back(std::move(param));
        else if (overridesPlain && !existing->extended)
            *existing = std::move(param);
    };
    // Sections of continued values, collected per name until all pieces are read.
    std::map<std::string, std::map<int, Piece>> sections;
    std::vector<std::string> order;
    for (std::size_t i = 1; i < pieces.size(); ++i) {
        Piece piece;
        if (!ParsePiece(pieces[i], piece))
            continue;
        if (piece.section >= 0) {
            auto& bySection = sections[piece.base];
            if (bySection.empty())
                order.push_back(piece.base);
            bySection.emplace(piece.section, std::move(piece));
            continue;
        }
        Param param{piece.base, piece.value, {}, piece.extended};
        if (piece.extended)
            param.value = PercentDecode(TakeCharset(piece.value, param.charset));
        keep(std::move(param), piece.extended);
    }
    for (const std::string& base : order) {
        Param param{base, {}, {}, false};
        for (auto& [number, piece] : sections[base]) {
            std::string_view value = piece.value;
            if (piece.extended) {
                param.extended = true;
                if (number == 0)
                    value = TakeCharset(value, param.charset);
                param.value += PercentDecode(value);
            } else {
                param.value += value;
            }
        }
        keep(std::move(param), true);
    }
}

const CHeaderParams::Param* CHeaderParams::Find(std::string_view name) const {
    for (const Param& p : m_params) {
        if (EqualsNoCase(p.name, name))
            return &p;
    }
    return nullptr;
}

std::string CHeaderParams::Get(std::string_view name, std::string_view fallbackCharset) const {
    const Param* p = Find(name);
    if (p == nullptr)
        return {};
    if (!p->extended)
        return DecodeHeader(p->value, fallbackCharset);
    std::string text = DecodeText(p->value, p->charset.empty() ? fallbackCharset : p->charset);
    ReplaceControls(text, " ");
    return text;
}

std::string CHeaderParams::GetRaw(std::string_view name) const {
    const Param* p = Find(name);
    return p ? p->value : std::string();
}

} // namespace qb
