#include "text/converter.h"

// The Windows converter: the system's code pages, and UTF-16/UTF-32 read here (the system
// converts those only for managed code). converter_iconv.cpp serves every other platform.
#ifdef _WIN32

#include "platform/utf8.h"

#include "platform/windows_api.h"

#include <cstdint>
#include <string_view>

namespace qb::converter {

namespace {

struct CodePage {
    std::string_view name;
    unsigned page;
};

// The names charset.cpp hands over, with the code page that reads each.
constexpr CodePage kCodePages[] = {
    {"UTF-7", 65000},      {"ISO-8859-2", 28592},  {"ISO-8859-3", 28593},  {"ISO-8859-4", 28594},
    {"ISO-8859-5", 28595}, {"ISO-8859-6", 28596},  {"ISO-8859-7", 28597},  {"ISO-8859-8", 28598},
    {"ISO-8859-9", 28599}, {"ISO-8859-13", 28603}, {"ISO-8859-15", 28605}, {"KOI8-R", 20866},
    {"KOI8-U", 21866},     {"CP932", 932},         {"EUC-JP", 20932},      {"ISO-2022-JP-2", 50221},
    {"CP949", 949},        {"ISO-2022-KR", 50225}, {"GB18030", 54936},     {"CP950", 950},
    {"CP874", 874},        {"MACINTOSH", 10000},   {"CP437", 437},         {"CP850", 850},
    {"CP852", 852},        {"CP866", 866},         {"CP1250", 1250},       {"CP1251", 1251},
    {"CP1252", 1252},      {"CP1253", 1253},       {"CP1254", 1254},       {"CP1255", 1255},
    {"CP1256", 1256},      {"CP1257", 1257},       {"CP1258", 1258},
};

unsigned PageOf(const std::string& name) {
    for (const CodePage& entry : kCodePages) {
        if (entry.name == name)
            return entry.page;
    }
    // "IBM1047", "CP037": the IBM and DOS code pages go by their numbers.
    const std::string_view view(name);
    const std::size_t digits = view.starts_with("IBM") ? 3 : view.starts_with("CP") ? 2 : 0;
    if (digits == 0 || view.size() == digits || view.size() > digits + 5)
        return 0;
    unsigned page = 0;
    for (const char c : view.substr(digits)) {
        if (c < '0' || c > '9')
            return 0;
        page = page * 10 + static_cast<unsigned>(c - '0');
    }
    return page;
}

// UTF-16 and UTF-32 in the given byte order; a byte-order mark decides for the unmarked names
// (big-endian without one) and is not part of the text.
bool WideToUtf8(std::string_view bytes, int width, bool bigEndian, bool sense, std::string& out) {
    const auto unit = [&](std::size_t at) {
        std::uint32_t value = 0;
        for (int i = 0; i < width; ++i) {
            const auto b = static_cast<unsigned char>(
                bytes[at + static_cast<std::size_t>(bigEndian ? i : width - 1 - i)]);
            value = (value << 8) | b;
        }
        return value;
    };
    if (bytes.size() % static_cast<std::size_t>(width) != 0)
        return false;
    std::size_t at = 0;
    if (sense && bytes.size() >= static_cast<std::size_t>(width)) {
        if (unit(0) == 0xFEFF) {
            at = static_cast<std::size_t>(width);
        } else {
            bigEndian = !bigEndian;
            if (unit(0) == 0xFEFF)
                at = static_cast<std::size_t>(width);
            else
                bigEndian = !bigEndian;
        }
    }
    for (; at < bytes.size(); at += static_cast<std::size_t>(width)) {
        std::uint32_t code = unit(at);
        if (width == 2 && code >= 0xD800 && code < 0xDC00) {
            at += 2;
            if (at >= bytes.size())
                return false;
            const std::uint32_t low = unit(at);
            if (low < 0xDC00 || low >= 0xE000)
                return false;
            code = 0x10000 + ((code - 0xD800) << 10) + (low - 0xDC00);
        } else if ((code >= 0xD800 && code < 0xE000) || code > 0x10FFFF) {
            return false;
        }
        AppendUtf8(static_cast<char32_t>(code), out);
    }
    return true;
}

} // namespace

bool Knows(const std::string& name) {
    if (name.starts_with("UTF-16") || name.starts_with("UTF-32"))
        return name.size() == 6 || name.ends_with("LE") || name.ends_with("BE");
    const unsigned page = PageOf(name);
    return page != 0 && ::IsValidCodePage(page);
}

bool ToUtf8(std::string_view bytes, const std::string& name, std::string& out) {
    if (name.starts_with("UTF-16") || name.starts_with("UTF-32")) {
        if (!Knows(name))
            return false;
        return WideToUtf8(bytes, name[4] == '1' ? 2 : 4, !name.ends_with("LE"), name.size() == 6,
                          out);
    }
    const unsigned page = PageOf(name);
    if (page == 0)
        return false;
    if (bytes.empty())
        return true;
    // The stateful code pages take no flags; the others refuse bytes invalid in them.
    const DWORD flags =
        page == 65000 || (page >= 50220 && page <= 50229) ? 0 : MB_ERR_INVALID_CHARS;
    const int size = static_cast<int>(bytes.size());
    const int n = ::MultiByteToWideChar(page, flags, bytes.data(), size, nullptr, 0);
    if (n <= 0)
        return false;
    std::wstring wide(static_cast<std::size_t>(n), L'\0');
    ::MultiByteToWideChar(page, flags, bytes.data(), size, wide.data(), n);
    const int m = ::WideCharToMultiByte(CP_UTF8, 0, wide.data(), n, nullptr, 0, nullptr, nullptr);
    if (m <= 0)
        return false;
    const std::size_t before = out.size();
    out.resize(before + static_cast<std::size_t>(m));
    ::WideCharToMultiByte(CP_UTF8, 0, wide.data(), n, out.data() + before, m, nullptr, nullptr);
    return true;
}

} // namespace qb::converter

#endif
