#include "text/line_source.h"

namespace qb {

namespace {

// The line starting at `pos`, without its line end; `pos` moves past the line end.
std::string_view NextLine(std::string_view bytes, std::size_t& pos) {
    const std::size_t eol = bytes.find_first_of("\r\n", pos);
    const std::size_t end = eol == std::string_view::npos ? bytes.size() : eol;
    const std::string_view line = bytes.substr(pos, end - pos);
    pos = end;
    if (pos < bytes.size())
        pos += bytes[pos] == '\r' && pos + 1 < bytes.size() && bytes[pos + 1] == '\n' ? 2 : 1;
    return line;
}

} // namespace

RawMessage SplitRawMessage(std::string_view bytes) {
    RawMessage message;
    std::size_t pos = 0;
    while (pos < bytes.size()) {
        const std::size_t start = pos;
        if (NextLine(bytes, pos).empty()) {
            message.header = bytes.substr(0, start);
            while (pos < bytes.size())
                message.body.push_back(NextLine(bytes, pos));
            return message;
        }
    }
    message.header = bytes; // no empty line: all header
    return message;
}

} // namespace qb
