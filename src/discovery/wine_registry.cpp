#include "discovery/wine_registry.h"

#include "discovery/text_codes.h"

namespace qb::discovery {

namespace {

constexpr std::string_view kHeader = "WINE REGISTRY Version 2";

// The lines of a text with LF or CR LF ends, numbered from 1.
class Lines {
  public:
    explicit Lines(std::string_view text) : m_text(text) {}

    bool Next(std::string_view& line) {
        if (m_pos >= m_text.size())
            return false;
        std::size_t end = m_text.find('\n', m_pos);
        if (end == std::string_view::npos)
            end = m_text.size();
        line = m_text.substr(m_pos, end - m_pos);
        if (!line.empty() && line.back() == '\r')
            line.remove_suffix(1);
        m_pos = end + 1;
        ++m_number;
        return true;
    }
    std::size_t Number() const { return m_number; }

  private:
    std::string_view m_text;
    std::size_t m_pos = 0;
    std::size_t m_number = 0;
};

void SkipBlanks(std::string_view line, std::size_t& pos) {
    while (pos < line.size() && (line[pos] == ' ' || line[pos] == '\t'))
        ++pos;
}

// Up to `most` hexadecimal digits at `pos` as a number; the count read.
int ReadHexDigits(std::string_view line, std::size_t& pos, int most, std::uint32_t& number) {
    number = 0;
    int digits = 0;
    for (; digits < most && pos < line.size() && HexDigit(line[pos]) >= 0; ++digits)
        number = number * 16 + static_cast<std::uint32_t>(HexDigit(line[pos++]));
    return digits;
}

// Reads an escaped text from just after its opening character up to the unescaped `close`, and
// moves `pos` past that. Escapes are the C ones plus \e, \xHHHH (a UTF-16 unit, up to four
// digits) and octal \OOO; any other escaped character stands for itself. False when the line
// ends first.
bool ReadEscaped(std::string_view line, std::size_t& pos, char close, std::string& out) {
    return ReadQuoted(line, pos, close, out, [&](char e, std::size_t& at, Utf16Writer& units) {
        constexpr std::string_view kLetters = "abefnrtv";
        constexpr std::uint16_t kCodes[] = {7, 8, 27, 12, 10, 13, 9, 11};
        std::uint32_t unit = 0;
        if (const std::size_t letter = kLetters.find(e); letter != std::string_view::npos) {
            units.Put(kCodes[letter]);
        } else if (e == 'x') {
            if (ReadHexDigits(line, at, 4, unit) > 0) {
                units.Put(static_cast<std::uint16_t>(unit));
            } else {
                units.Flush();
                out += 'x';
            }
        } else if (e >= '0' && e <= '7') {
            unit = static_cast<std::uint32_t>(e - '0');
            for (int digits = 1;
                 digits < 3 && at < line.size() && line[at] >= '0' && line[at] <= '7'; ++digits)
                unit = unit * 8 + static_cast<std::uint32_t>(line[at++] - '0');
            units.Put(static_cast<std::uint16_t>(unit));
        } else {
            units.Flush();
            out += e;
        }
        return true;
    });
}

// A hexadecimal number of one to eight digits.
bool ReadHexNumber(std::string_view line, std::size_t& pos, std::uint32_t& number) {
    return ReadHexDigits(line, pos, 8, number) > 0;
}

// "N)" of "hex(N)" and "str(N)".
bool ReadTypeNumber(std::string_view line, std::size_t& pos, std::uint32_t& type) {
    if (!ReadHexNumber(line, pos, type) || pos >= line.size() || line[pos] != ')')
        return false;
    ++pos;
    return true;
}

bool AtLineEnd(std::string_view line, std::size_t pos) {
    SkipBlanks(line, pos);
    return pos == line.size();
}

// Comma-separated hex bytes; a '\' at the end of a line continues them on the next one.
bool ReadHexBytes(Lines& lines, std::string_view line, std::size_t pos, std::string& bytes,
                  std::string& why) {
    for (;;) {
        SkipBlanks(line, pos);
        if (pos == line.size())
            return true;
        if (line[pos] == '\\') {
            if (!AtLineEnd(line, pos + 1)) {
                why = "bad hex data";
                return false;
            }
            if (!lines.Next(line)) {
                why = "hex data cut off";
                return false;
            }
            pos = 0;
            continue;
        }
        std::uint32_t value = 0;
        if (ReadHexDigits(line, pos, 2, value) == 0) {
            why = "bad hex data";
            return false;
        }
        bytes += static_cast<char>(value);
        SkipBlanks(line, pos);
        if (pos < line.size() && line[pos] == ',') {
            ++pos;
        } else if (pos < line.size() && line[pos] != '\\') {
            why = "bad hex data";
            return false;
        }
    }
}

bool IsStringType(std::uint32_t type) {
    return type == kRegString || type == kRegExpandString || type == kRegMultiString;
}

// Little-endian UTF-16 bytes up to the first NUL unit, as UTF-8.
std::string TextOfUtf16(const std::string& bytes) {
    std::string text;
    Utf16Writer units(text);
    for (std::size_t i = 0; i + 1 < bytes.size(); i += 2) {
        const auto unit = static_cast<std::uint16_t>(static_cast<unsigned char>(bytes[i]) |
                                                     static_cast<unsigned char>(bytes[i + 1]) << 8);
        if (unit == 0)
            break;
        units.Put(unit);
    }
    units.Flush();
    return text;
}

bool StartsWith(std::string_view text, std::size_t pos, std::string_view prefix) {
    return text.substr(pos, prefix.size()) == prefix;
}

// The data after "name=": a quoted string, str(N):"...", dword:HHHHHHHH, hex:... or hex(N):...
bool ReadData(Lines& lines, std::string_view line, std::size_t pos, WineValue& value,
              std::string& why) {
    SkipBlanks(line, pos);
    bool quoted = false;
    if (pos < line.size() && line[pos] == '"') {
        value.type = kRegString;
        quoted = true;
    } else if (StartsWith(line, pos, "str(")) {
        pos += 4;
        if (!ReadTypeNumber(line, pos, value.type) || !StartsWith(line, pos, ":\"")) {
            why = "bad string value";
            return false;
        }
        ++pos;
        quoted = true;
    }
    if (quoted) {
        ++pos;
        if (!ReadEscaped(line, pos, '"', value.data)) {
            why = "unterminated string";
            return false;
        }
        if (const std::size_t nul = value.data.find('\0'); nul != std::string::npos)
            value.data.resize(nul);
        return true;
    }
    if (StartsWith(line, pos, "dword:")) {
        pos += 6;
        value.type = kRegDword;
        if (!ReadHexNumber(line, pos, value.number) || !AtLineEnd(line, pos)) {
            why = "bad dword value";
            return false;
        }
        return true;
    }
    if (StartsWith(line, pos, "hex:")) {
        value.type = kRegBinary;
        pos += 4;
    } else if (StartsWith(line, pos, "hex(")) {
        pos += 4;
        if (!ReadTypeNumber(line, pos, value.type) || pos >= line.size() || line[pos] != ':') {
            why = "bad hex value";
            return false;
        }
        ++pos;
    } else {
        why = "unknown value type";
        return false;
    }
    if (!ReadHexBytes(lines, line, pos, value.data, why))
        return false;
    if (IsStringType(value.type))
        value.data = TextOfUtf16(value.data);
    return true;
}

} // namespace

bool ParseWineRegistry(std::string_view text, std::vector<WineKey>& keys, std::string& error,
                       const WineKeyFilter& keep) {
    const std::size_t first = keys.size();
    auto fail = [&](std::size_t lineNumber, const std::string& why) {
        keys.resize(first);
        error = "line " + std::to_string(lineNumber) + ": " + why;
        return false;
    };
    Lines lines(text);
    std::string_view line;
    if (!lines.Next(line) || TrimBlanks(line) != kHeader)
        return fail(1, "not a Wine registry file");
    bool inKey = false;
    WineKey* current = nullptr; // null inside a key the filter drops
    while (lines.Next(line)) {
        const std::size_t number = lines.Number();
        std::size_t pos = 0;
        SkipBlanks(line, pos);
        if (pos == line.size() || line[pos] == ';' || line[pos] == '#')
            continue; // blank, comment, or an option line such as #time= or #class=
        if (line[pos] == '[') {
            ++pos;
            std::string path;
            if (!ReadEscaped(line, pos, ']', path))
                return fail(number, "unterminated key name");
            inKey = true;
            current = nullptr;
            if (!keep || keep(path)) {
                keys.push_back(WineKey{std::move(path), {}});
                current = &keys.back();
            }
            continue;
        }
        WineValue value;
        if (line[pos] == '@') {
            ++pos;
        } else if (line[pos] == '"') {
            ++pos;
            if (!ReadEscaped(line, pos, '"', value.name))
                return fail(number, "unterminated value name");
        } else {
            return fail(number, "not a key, value or comment");
        }
        if (!inKey)
            return fail(number, "value outside any key");
        SkipBlanks(line, pos);
        if (pos == line.size() || line[pos] != '=')
            return fail(number, "'=' expected");
        std::string why;
        if (!ReadData(lines, line, pos + 1, value, why))
            return fail(lines.Number(), why);
        if (current != nullptr)
            current->values.push_back(std::move(value));
    }
    return true;
}

void AddWineKeys(const std::vector<WineKey>& keys, Hive hive, RegistryData& data) {
    for (const WineKey& key : keys) {
        if (!data.CreateKey(hive, key.path))
            continue;
        for (const WineValue& value : key.values) {
            if (IsStringType(value.type))
                data.SetString(hive, key.path, value.name, value.data);
            else if (value.type == kRegDword)
                data.SetDword(hive, key.path, value.name, value.number);
        }
    }
}

} // namespace qb::discovery
