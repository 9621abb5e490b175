#include "text/file_name.h"

#include "platform/paths.h"
#include "platform/utf8.h"

#include <array>
#include <utility>

namespace qb {

namespace {

std::string_view ExtensionFor(std::string_view mediaType) {
    static constexpr std::array<std::pair<std::string_view, std::string_view>, 12> kTypes{{
        {"text/plain", ".txt"},
        {"text/html", ".html"},
        {"message/rfc822", ".eml"},
        {"image/jpeg", ".jpg"},
        {"image/png", ".png"},
        {"image/gif", ".gif"},
        {"application/pdf", ".pdf"},
        {"application/zip", ".zip"},
        {"text/calendar", ".ics"},
        {"text/x-vcard", ".vcf"},
        {"text/vcard", ".vcf"},
        {"application/msword", ".doc"},
    }};
    for (const auto& [type, extension] : kTypes) {
        if (EqualsNoCase(type, mediaType))
            return extension;
    }
    return mediaType.starts_with("text/") ? ".txt" : ".bin";
}

bool IsReservedDeviceName(std::string_view name) {
    const std::string_view stem = name.substr(0, name.find('.'));
    for (const char* reserved : {"CON", "PRN", "AUX", "NUL"}) {
        if (EqualsNoCase(stem, reserved))
            return true;
    }
    if (stem.size() == 4 && (StartsWithNoCase(stem, "COM") || StartsWithNoCase(stem, "LPT")) &&
        stem[3] >= '1' && stem[3] <= '9')
        return true;
    return false;
}

// The byte length of the longest prefix of `s` of at most `limit` bytes that ends on a
// character boundary.
std::size_t CutPoint(std::string_view s, std::size_t limit) {
    if (s.size() <= limit)
        return s.size();
    std::size_t cut = limit;
    while (cut > 0 && (static_cast<unsigned char>(s[cut]) & 0xC0) == 0x80)
        --cut;
    return cut;
}

} // namespace

std::string SafeFileName(std::string_view name, std::string_view mediaType) {
    if (const auto slash = name.find_last_of("/\\"); slash != std::string_view::npos)
        name = name.substr(slash + 1);
    std::string out;
    for (std::size_t pos = 0; pos < name.size();) {
        const std::size_t start = pos;
        const char32_t cp = NextCodePoint(name, pos);
        const bool invalid = cp == 0xFFFD && pos - start == 1;
        if (invalid || cp < 0x20 || (cp >= 0x7F && cp <= 0x9F) ||
            std::u32string_view(U"<>:\"/\\|?*").find(cp) != std::u32string_view::npos)
            out += '_';
        else
            out.append(name.substr(start, pos - start));
    }
    const auto trim = [](char c) { return c == ' ' || c == '.'; };
    std::size_t begin = 0, end = out.size();
    while (begin < end && trim(out[begin]))
        ++begin;
    while (end > begin && trim(out[end - 1]))
        --end;
    out = out.substr(begin, end - begin);
    if (out.empty())
        return "attachment" + std::string(ExtensionFor(mediaType));
    if (IsReservedDeviceName(out))
        out.insert(0, "_");
    if (out.size() > kMaxFileNameBytes) {
        // Keep an extension of up to 16 bytes, cut the rest.
        const auto dot = out.rfind('.');
        std::string extension;
        if (dot != std::string::npos && dot > 0 && out.size() - dot <= 16)
            extension = out.substr(dot);
        std::string stem = out.substr(0, out.size() - extension.size());
        stem.resize(CutPoint(stem, kMaxFileNameBytes - extension.size()));
        out = stem + extension;
    }
    return out;
}

} // namespace qb
