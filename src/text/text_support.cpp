#include "text/text_support.h"

#include <utility>

namespace qb {

bool AllBlank(std::string_view text) {
    for (const char c : text) {
        if (!IsBlank(c))
            return false;
    }
    return true;
}

std::string_view TrimWhite(std::string_view text) {
    const auto white = [](char c) { return IsBlank(c) || c == '\r' || c == '\n'; };
    while (!text.empty() && white(text.front()))
        text.remove_prefix(1);
    while (!text.empty() && white(text.back()))
        text.remove_suffix(1);
    return text;
}

std::string LowerAscii(std::string_view text) {
    std::string out(text);
    for (char& c : out) {
        if (c >= 'A' && c <= 'Z')
            c = static_cast<char>(c - 'A' + 'a');
    }
    return out;
}

void ReplaceControls(std::string& text, std::string_view replacement, std::string_view keep) {
    const auto isControl = [&](std::size_t i, std::size_t& width) {
        const unsigned char c = static_cast<unsigned char>(text[i]);
        width = 1;
        if (c < 0x20 || c == 0x7F)
            return keep.find(static_cast<char>(c)) == std::string_view::npos;
        if (c == 0xC2 && i + 1 < text.size()) {
            const unsigned char d = static_cast<unsigned char>(text[i + 1]);
            width = 2;
            return d >= 0x80 && d <= 0x9F;
        }
        return false;
    };
    std::size_t i = 0, width = 1;
    while (i < text.size() && !isControl(i, width))
        i += width;
    if (i == text.size())
        return;
    std::string out(text, 0, i);
    while (i < text.size()) {
        if (isControl(i, width))
            out += replacement;
        else
            out.append(text, i, width);
        i += width;
    }
    text = std::move(out);
}

} // namespace qb
