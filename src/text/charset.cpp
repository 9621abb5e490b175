#include "text/charset.h"

#include "platform/utf8.h"
#include "text/converter.h"

#include <string>
#include <unordered_map>

namespace qb {

namespace {

struct Alias {
    std::string name;
    bool asciiCompatible;
};

// Label (lower case, '_' written as '-') to charset.
const std::unordered_map<std::string, Alias>& Aliases() {
    static const std::unordered_map<std::string, Alias> table = [] {
        std::unordered_map<std::string, Alias> t;
        const auto add = [&](const char* name, bool compatible,
                             std::initializer_list<const char*> labels) {
            for (const char* label : labels)
                t.emplace(label, Alias{name, compatible});
        };
        add("US-ASCII", true,
            {"us-ascii", "ascii", "ansi-x3.4-1968", "ansi-x3.4-1986", "iso646-us", "iso-ir-6", "us",
             "csascii", "cp367", "ibm367", "646"});
        add("UTF-8", true,
            {"utf-8", "utf8", "unicode-1-1-utf-8", "unicode-2-0-utf-8", "x-unicode20utf8"});
        add("UTF-7", false,
            {"utf-7", "utf7", "unicode-1-1-utf-7", "x-unicode-1-1-utf-7", "unicode-2-0-utf-7",
             "x-unicode-2-0-utf-7", "csunicode11utf7"});
        add("UTF-16", false, {"utf-16", "utf16", "unicode", "ucs-2", "iso-10646-ucs-2"});
        add("UTF-16LE", false, {"utf-16le"});
        add("UTF-16BE", false, {"utf-16be"});
        add("UTF-32", false, {"utf-32"});
        add("UTF-32LE", false, {"utf-32le"});
        add("UTF-32BE", false, {"utf-32be"});
        add("ISO-8859-1", true, {"latin1", "latin-1", "l1", "iso-ir-100", "csisolatin1", "cp819"});
        add("ISO-8859-2", true, {"latin2", "latin-2", "l2", "csisolatin2"});
        add("ISO-8859-3", true, {"latin3", "l3"});
        add("ISO-8859-4", true, {"latin4", "l4"});
        add("ISO-8859-5", true, {"cyrillic", "csisolatincyrillic"});
        add("ISO-8859-6", true, {"arabic"});
        add("ISO-8859-7", true, {"greek", "greek8", "elot-928"});
        add("ISO-8859-8", true, {"hebrew", "visual", "logical"});
        add("ISO-8859-9", true, {"latin5", "l5"});
        add("ISO-8859-10", true, {"latin6", "l6"});
        add("ISO-8859-13", true, {"latin7", "l7"});
        add("ISO-8859-14", true, {"latin8", "l8"});
        add("ISO-8859-15", true, {"latin9", "latin-9", "l9", "latin0"});
        add("ISO-8859-16", true, {"latin10", "l10"});
        add("KOI8-R", true, {"koi8-r", "koi8r", "koi8", "cskoi8r"});
        add("KOI8-U", true, {"koi8-u", "koi8u"});
        add("KOI8-RU", true, {"koi8-ru"});
        // The Microsoft forms are supersets of the standards and what mail really carried.
        add("CP932", true,
            {"shift-jis", "shiftjis", "sjis", "x-sjis", "ms-kanji", "csshiftjis", "windows-31j",
             "cp932", "ms932", "x-ms-cp932", "shift-jis-2004"});
        add("EUC-JP", true, {"euc-jp", "eucjp", "x-euc-jp", "x-euc", "cseucpkdfmtjapanese"});
        add("ISO-2022-JP-2", false,
            {"iso-2022-jp", "csiso2022jp", "iso-2022-jp-1", "iso-2022-jp-2", "csiso2022jp2", "jis",
             "jis7"});
        add("ISO-2022-JP-3", false, {"iso-2022-jp-3"});
        add("CP949", true,
            {"euc-kr", "x-euc-kr", "cseuckr", "ks-c-5601-1987", "ks-c-5601", "ks-c-5601-1989",
             "ksc5601", "ksc-5601", "korean", "csksc56011987", "iso-ir-149", "cp949", "uhc",
             "windows-949", "x-windows-949", "ms949"});
        add("ISO-2022-KR", false, {"iso-2022-kr", "csiso2022kr"});
        add("GB18030", true,
            {"gb2312", "gb-2312", "gb-2312-80", "csgb2312", "euc-cn", "x-euc-cn", "chinese",
             "iso-ir-58", "gbk", "x-gbk", "csgbk", "cp936", "ms936", "windows-936", "gb18030"});
        add("ISO-2022-CN", false, {"iso-2022-cn"});
        add("CP950", true,
            {"big5", "big-5", "cn-big5", "x-x-big5", "x-big5", "csbig5", "cp950", "ms950",
             "big5-eten"});
        add("BIG5-HKSCS", true, {"big5-hkscs", "big5hkscs"});
        add("CP874", true,
            {"tis-620", "tis620", "windows-874", "x-windows-874", "cp874", "iso-8859-11"});
        add("MACINTOSH", true, {"macintosh", "mac", "macroman", "x-mac-roman", "csmacintosh"});
        add("CP437", true, {"ibm437", "cp437", "437"});
        add("CP850", true, {"ibm850", "cp850", "850"});
        add("CP852", true, {"ibm852", "cp852", "852"});
        add("CP866", true, {"ibm866", "cp866", "866"});
        // Labels that promise nothing: the text is read as undeclared.
        add("", true,
            {"x-user-defined", "unknown-8bit", "x-unknown", "unknown", "x-unknown-8bit", "8bit",
             "default", "none", ""});
        return t;
    }();
    return table;
}

// Removes `prefix` from the front of `s`; true when it was there.
bool Consume(std::string_view& s, std::string_view prefix) {
    if (s.substr(0, prefix.size()) != prefix)
        return false;
    s.remove_prefix(prefix.size());
    return true;
}

// The leading decimal number of `s` (at most three digits), consumed; -1 when there is none.
int ConsumeNumber(std::string_view& s) {
    int n = 0, digits = 0;
    while (!s.empty() && s.front() >= '0' && s.front() <= '9' && digits < 3) {
        n = n * 10 + (s.front() - '0');
        s.remove_prefix(1);
        ++digits;
    }
    return digits > 0 ? n : -1;
}

// The families spelled many ways: iso-8859-N (with ":1987", "-i", "-e" or no hyphens),
// windows-125N (cp125N, x-cp125N, win-125N).
std::string FamilyName(std::string_view s) {
    std::string_view rest = s;
    if (Consume(rest, "iso") && (Consume(rest, "-8859") || Consume(rest, "8859"))) {
        Consume(rest, "-");
        const int n = ConsumeNumber(rest);
        if (n == 11)
            return "CP874";
        if (n < 1 || n > 16 || n == 12)
            return {};
        if (Consume(rest, ":")) {
            while (ConsumeNumber(rest) >= 0) {
            }
        }
        if (rest.empty() || rest == "-i" || rest == "-e")
            return "ISO-8859-" + std::to_string(n);
        return {};
    }
    rest = s;
    Consume(rest, "x-");
    if (Consume(rest, "windows") || Consume(rest, "win") || Consume(rest, "cp")) {
        Consume(rest, "-");
        if (rest.size() == 4 && rest.substr(0, 3) == "125" && rest[3] >= '0' && rest[3] <= '8')
            return "CP125" + std::string(1, rest[3]);
    }
    return {};
}

bool LooksAsciiCompatible(const std::string& name) {
    for (const char* marker : {"UTF-7", "UTF7", "UTF-16", "UTF16", "UTF-32", "UTF32", "UCS", "2022",
                               "EBCDIC", "IBM0", "IBM2", "IBM5", "IBM1047", "IBM114", "HZ"}) {
        if (name.find(marker) != std::string::npos)
            return false;
    }
    return true;
}

constexpr char32_t kWindows1252High[32] = {
    0x20AC, 0xFFFD, 0x201A, 0x0192, 0x201E, 0x2026, 0x2020, 0x2021, 0x02C6, 0x2030, 0x0160,
    0x2039, 0x0152, 0xFFFD, 0x017D, 0xFFFD, 0xFFFD, 0x2018, 0x2019, 0x201C, 0x201D, 0x2022,
    0x2013, 0x2014, 0x02DC, 0x2122, 0x0161, 0x203A, 0x0153, 0xFFFD, 0x017E, 0x0178,
};

// Appends ASCII text unchanged and each high byte through `high`.
template <typename High>
void AppendSingleByte(std::string_view bytes, High high, std::string& out) {
    out.reserve(out.size() + bytes.size() + bytes.size() / 8);
    for (const char c : bytes) {
        const unsigned char b = static_cast<unsigned char>(c);
        if (b < 0x80)
            out += c;
        else
            AppendUtf8(high(b), out);
    }
}

} // namespace

CharsetInfo LookUpCharset(std::string_view label) {
    // Trim blanks and quotes, drop an RFC 2231 language suffix.
    while (!label.empty() &&
           (label.front() == ' ' || label.front() == '\t' || label.front() == '"'))
        label.remove_prefix(1);
    while (!label.empty() && (label.back() == ' ' || label.back() == '\t' || label.back() == '"'))
        label.remove_suffix(1);
    if (const auto star = label.find('*'); star != std::string_view::npos)
        label = label.substr(0, star);
    if (label.size() > 40)
        return {};
    std::string key;
    for (const char c : label) {
        const bool safe = (c >= 'a' && c <= 'z') || (c >= 'A' && c <= 'Z') ||
                          (c >= '0' && c <= '9') || c == '-' || c == '_' || c == '.' || c == ':';
        if (!safe)
            return {}; // nothing else belongs in a charset name, nor reaches the converter
        key += c == '_' ? '-' : (c >= 'A' && c <= 'Z') ? static_cast<char>(c - 'A' + 'a') : c;
    }
    const auto& aliases = Aliases();
    if (const auto it = aliases.find(key); it != aliases.end())
        return {it->second.name, it->second.asciiCompatible};
    if (std::string family = FamilyName(key); !family.empty())
        return {std::move(family), true};
    std::string name;
    for (const char c : key)
        name += (c >= 'a' && c <= 'z') ? static_cast<char>(c - 'a' + 'A') : c;
    if (name.empty() || !converter::Knows(name))
        return {};
    const bool compatible = LooksAsciiCompatible(name);
    return {std::move(name), compatible};
}

void AppendWindows1252(std::string_view bytes, std::string& out) {
    AppendSingleByte(
        bytes, [](unsigned char b) { return b < 0xA0 ? kWindows1252High[b - 0x80] : char32_t{b}; },
        out);
}

bool ConvertToUtf8(std::string_view bytes, const CharsetInfo& charset, std::string& out) {
    if (!charset.Known())
        return false;
    const std::string& name = charset.name;
    if (charset.asciiCompatible && IsAscii(bytes)) {
        out.append(bytes);
        return true;
    }
    // The common charsets are converted here; they need no tables from the converter.
    if (name == "US-ASCII")
        return false;
    if (name == "UTF-8") {
        if (!IsValidUtf8(bytes))
            return false;
        out.append(bytes);
        return true;
    }
    if (name == "ISO-8859-1") {
        AppendSingleByte(
            bytes, [](unsigned char b) { return char32_t{b}; }, out);
        return true;
    }
    if (name == "CP1252") {
        for (const char c : bytes) {
            const unsigned char b = static_cast<unsigned char>(c);
            if (b >= 0x80 && b < 0xA0 && kWindows1252High[b - 0x80] == 0xFFFD)
                return false;
        }
        AppendWindows1252(bytes, out);
        return true;
    }
    const std::size_t before = out.size();
    if (converter::ToUtf8(bytes, name, out))
        return true;
    out.resize(before);
    return false;
}

void AppendText(std::string_view bytes, const CharsetInfo& declared, std::string& out) {
    // Japanese mail often carried ISO-2022-JP without saying so; its escapes give it away.
    if ((!declared.Known() || declared.name == "US-ASCII") &&
        bytes.find("\x1b$") != std::string_view::npos &&
        ConvertToUtf8(bytes, LookUpCharset("iso-2022-jp"), out))
        return;
    if (declared.asciiCompatible) {
        if (IsAscii(bytes) || IsValidUtf8(bytes)) {
            out.append(bytes);
            return;
        }
        if (ConvertToUtf8(bytes, declared, out))
            return;
    } else {
        if (ConvertToUtf8(bytes, declared, out))
            return;
        if (IsValidUtf8(bytes)) {
            out.append(bytes);
            return;
        }
    }
    AppendWindows1252(bytes, out);
}

std::string DecodeText(std::string_view bytes, std::string_view declared) {
    std::string out;
    AppendText(bytes, LookUpCharset(declared), out);
    return out;
}

} // namespace qb
