#include "platform/paths.h"

#include <algorithm>
#include <filesystem>
#include <system_error>

namespace qb {

namespace {

// How many leading bytes of `path` are its root: "/" on every platform, "C:/" or "C:" on
// Windows; 0 for a relative path.
std::size_t RootLength(std::string_view path) {
#ifdef _WIN32
    if (path.size() >= 2 && path[1] == ':' &&
        ((path[0] >= 'A' && path[0] <= 'Z') || (path[0] >= 'a' && path[0] <= 'z')))
        return path.size() >= 3 && IsPathSeparator(path[2]) ? 3 : 2;
#endif
    return !path.empty() && IsPathSeparator(path[0]) ? 1 : 0;
}

std::size_t LastSeparator(std::string_view path) {
#ifdef _WIN32
    return path.find_last_of("/\\");
#else
    return path.rfind(kPathSeparator);
#endif
}

} // namespace

bool IsPathSeparator(char c) {
#ifdef _WIN32
    return c == '/' || c == '\\';
#else
    return c == kPathSeparator;
#endif
}

std::string JoinPath(std::string_view a, std::string_view b) {
    if (a.empty())
        return std::string(b);
    std::string result(a);
    if (!IsPathSeparator(result.back()))
        result += kPathSeparator;
    result += b;
    return result;
}

std::string DirectoryOf(std::string_view path) {
    const auto pos = LastSeparator(path);
    if (pos == std::string_view::npos)
        return {};
    const std::size_t root = RootLength(path);
    if (pos < root)
        return std::string(path.substr(0, root));
    return std::string(path.substr(0, pos));
}

std::string StripTrailingSeparators(std::string_view path) {
    const std::size_t root = std::max<std::size_t>(RootLength(path), 1);
    while (path.size() > root && IsPathSeparator(path.back()))
        path.remove_suffix(1);
    return std::string(path);
}

std::string AbsolutePath(std::string_view path) {
    std::error_code ec;
#ifdef _WIN32
    // A path made of a std::string would be read in the ANSI code page.
    const std::filesystem::path given(std::u8string(path.begin(), path.end()));
    const std::filesystem::path absolute = std::filesystem::absolute(given, ec);
    if (ec)
        return std::string(path);
    const std::u8string text = absolute.lexically_normal().generic_u8string();
    return std::string(text.begin(), text.end());
#else
    const std::filesystem::path absolute = std::filesystem::absolute(path, ec);
    return ec ? std::string(path) : absolute.lexically_normal().string();
#endif
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
    const auto pos = LastSeparator(stripped);
    if (pos == std::string::npos)
        return stripped;
    if (stripped.size() == RootLength(stripped))
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
