#include "interchange/message.h"

#include "model/message.h"
#include "platform/paths.h"
#include "text/text_support.h"

namespace qb::interchange {

namespace {

// One line of `text` from `pos`, without its LF or CR LF; `next` is where the following begins.
std::string_view LineAt(std::string_view text, std::size_t pos, std::size_t& next) {
    const std::size_t lf = text.find('\n', pos);
    std::size_t end = lf == std::string_view::npos ? text.size() : lf;
    next = lf == std::string_view::npos ? text.size() : lf + 1;
    if (end > pos && text[end - 1] == '\r')
        --end;
    return text.substr(pos, end - pos);
}

// An address fit for an envelope line: the part in angle brackets, else the first word holding
// an "@", else the single word the value is; comments and quoted display names are skipped.
std::string AddressOf(std::string_view value) {
    std::string plain;
    int depth = 0;
    bool quoted = false;
    for (std::size_t i = 0; i < value.size(); ++i) {
        const char c = value[i];
        if (quoted) {
            if (c == '\\')
                ++i;
            else if (c == '"')
                quoted = false;
            plain += ' ';
        } else if (depth > 0) {
            if (c == '(')
                ++depth;
            else if (c == ')')
                --depth;
        } else if (c == '"') {
            quoted = true;
        } else if (c == '(') {
            depth = 1;
        } else {
            plain += c;
        }
    }
    std::string_view candidate;
    const std::size_t open = plain.find('<');
    const std::size_t close = open == std::string::npos ? open : plain.find('>', open);
    if (close != std::string::npos) {
        candidate = TrimWhite(std::string_view(plain).substr(open + 1, close - open - 1));
    } else {
        std::string_view rest = plain;
        std::vector<std::string_view> words;
        while (!(rest = TrimWhite(rest)).empty()) {
            std::size_t end = 0;
            while (end < rest.size() && !IsBlank(rest[end]) && rest[end] != ',')
                ++end;
            if (end == 0) {
                rest.remove_prefix(1);
                continue;
            }
            words.push_back(rest.substr(0, end));
            rest.remove_prefix(end);
        }
        for (std::string_view word : words) {
            if (word.find('@') != std::string_view::npos) {
                candidate = word;
                break;
            }
        }
        if (candidate.empty() && words.size() == 1)
            candidate = words.front();
    }
    std::string address;
    for (char c : candidate) {
        const auto u = static_cast<unsigned char>(c);
        if (u > 0x20 && u != 0x7f)
            address += c;
    }
    return address;
}

} // namespace

Message FromStoreRecord(std::string_view header, const std::vector<std::string>& bodyLines,
                        std::uint32_t status) {
    Message message;
    std::size_t size = header.size() + 2;
    for (const std::string& line : bodyLines)
        size += line.size() + 2;
    message.text.reserve(size);
    message.text.append(header);
    message.text.append("\r\n");
    for (const std::string& line : bodyLines) {
        message.text.append(line);
        message.text.append("\r\n");
    }
    message.status = status;
    return message;
}

std::string_view WithoutEnvelope(std::string_view text) {
    if (text.compare(0, 5, "From ") != 0 && !StartsWithNoCase(text, "From - "))
        return text;
    const std::size_t lf = text.find('\n');
    return lf == std::string_view::npos ? std::string_view() : text.substr(lf + 1);
}

std::string_view HeaderOf(std::string_view text) {
    std::size_t pos = 0;
    while (pos < text.size()) {
        std::size_t next = 0;
        if (LineAt(text, pos, next).empty())
            return text.substr(0, pos);
        pos = next;
    }
    return text;
}

std::optional<std::string> HeaderField(std::string_view text, std::string_view name) {
    return HeaderFields(text, {name}).front();
}

std::vector<std::optional<std::string>>
HeaderFields(std::string_view text, std::initializer_list<std::string_view> names) {
    std::vector<std::optional<std::string>> values(names.size());
    std::size_t left = names.size();
    const std::string_view header = HeaderOf(text);
    std::size_t pos = 0;
    while (pos < header.size() && left > 0) {
        std::size_t next = 0;
        const std::string_view line = LineAt(header, pos, next);
        pos = next;
        std::size_t index = 0;
        for (std::string_view name : names) {
            std::size_t colon = name.size();
            if (!values[index] && line.size() > colon && StartsWithNoCase(line, name)) {
                while (colon < line.size() && IsBlank(line[colon]))
                    ++colon;
                if (colon < line.size() && line[colon] == ':')
                    break;
            }
            ++index;
        }
        if (index == names.size())
            continue;
        std::string value(line.substr(line.find(':') + 1));
        while (pos < header.size() && IsBlank(header[pos])) {
            value += ' ';
            value += TrimWhite(LineAt(header, pos, next));
            pos = next;
        }
        values[index] = std::string(TrimWhite(value));
        --left;
    }
    return values;
}

std::uint32_t StatusFromHeader(std::string_view text) {
    const auto fields = HeaderFields(text, {"X-Mozilla-Status", "Status", "X-Status"});
    if (fields[0])
        return ParseHexPrefix(*fields[0]) & 0xffff;
    std::uint32_t status = 0;
    const std::string letters = fields[1].value_or("") + fields[2].value_or("");
    for (char c : letters) {
        if (c == 'R')
            status |= kStatusRead;
        else if (c == 'A')
            status |= kStatusReplied;
        else if (c == 'F')
            status |= kStatusMarked;
        else if (c == 'D')
            status |= kStatusDeleted;
    }
    return status;
}

std::string EnvelopeSender(std::string_view text) {
    const auto fields = HeaderFields(WithoutEnvelope(text), {"Return-Path", "From"});
    return EnvelopeSender(fields[0], fields[1]);
}

std::string EnvelopeSender(const std::optional<std::string>& returnPath,
                           const std::optional<std::string>& from) {
    for (const std::optional<std::string>* value : {&returnPath, &from}) {
        if (*value) {
            std::string address = AddressOf(**value);
            if (!address.empty())
                return address;
        }
    }
    return "MAILER-DAEMON";
}

} // namespace qb::interchange
