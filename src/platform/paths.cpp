#include "platform/paths.h"

#include <filesystem>
#include <system_error>

namespace qb {

std::string JoinPath(std::string_view a, std::string_view b) {
    if (a.empty())
        return std::string(b);
    std::string result(a);
    if (result.back() != kPathSeparator)
        result += kPathSeparator;
    result += b;
    return result;
}

std::string DirectoryOf(std::string_view path) {
    const auto pos = path.rfind(kPathSeparator);
    if (pos == std::string_view::npos)
        return {};
    if (pos == 0)
        return std::string(1, kPathSeparator);
    return std::string(path.substr(0, pos));
}

std::string StripTrailingSeparators(std::string_view path) {
    while (path.size() > 1 && path.back() == kPathSeparator)
        path.remove_suffix(1);
    return std::string(path);
}

std::string AbsolutePath(std::string_view path) {
    std::error_code ec;
    const std::filesystem::path absolute = std::filesystem::absolute(path, ec);
    return ec ? std::string(path) : absolute.lexically_normal().string();
}

bool IsSingleEntryName(std::string_view name) {
    if (name.empty() || name == "." || name == "..")
        return false;
    for (const unsigned char c : name) {
        if (c == '/' || c == '\\' || c < 0x20)
            return false;
    }
    return true;
}

std::string BaseName(std::string_view path) {
    const std::string stripped = StripTrailingSeparators(path);
    const auto pos = stripped.rfind(kPathSeparator);
    if (pos == std::string::npos)
        return stripped;
    if (stripped.size() == 1)
        return {};
    return stripped.substr(pos + 1);
}

char ToLowerAscii(char c) {
    return (c >= 'A' && c <= 'Z') ? static_cast<char>(c - 'A' + 'a') : c;
}

std::uint32_t ParseHexPrefix(std::string_view text) {
    std::size_t i = 0;
    while (i < text.size() && text[i] == ' ')
        ++i;
    std::uint32_t value = 0;
    for (; i < text.size(); ++i) {
        const int digit = HexDigit(text[i]);
        if (digit < 0)
            break;
        value = (value << 4) | static_cast<std::uint32_t>(digit);
    }
    return value;
}

int HexDigit(char c) {
    if (c >= '0' && c <= '9')
        return c - '0';
    if (c >= 'a' && c <= 'f')
        return c - 'a' + 10;
    if (c >= 'A' && c <= 'F')
        return c - 'A' + 10;
    return -1;
}

bool EqualsNoCase(std::string_view a, std::string_view b) {
    if (a.size() != b.size())
        return false;
    for (std::size_t i = 0; i < a.size(); ++i) {
        if (ToLowerAscii(a[i]) != ToLowerAscii(b[i]))
            return false;
    }
    return true;
}

bool StartsWithNoCase(std::string_view text, std::string_view prefix) {
    return text.size() >= prefix.size() && EqualsNoCase(text.substr(0, prefix.size()), prefix);
}

} // namespace qb
