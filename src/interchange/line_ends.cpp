#include "interchange/line_ends.h"

#include <cstring>

namespace qb::interchange {

void AppendWithLineEnds(std::string& out, std::string_view text, std::string_view lineEnd) {
    std::size_t pos = 0;
    while (pos < text.size()) {
        const void* hit = std::memchr(text.data() + pos, '\n', text.size() - pos);
        if (hit == nullptr) {
            out.append(text.substr(pos));
            return;
        }
        const std::size_t lf =
            static_cast<std::size_t>(static_cast<const char*>(hit) - text.data());
        const std::size_t end = lf > pos && text[lf - 1] == '\r' ? lf - 1 : lf;
        out.append(text.substr(pos, end - pos));
        out.append(lineEnd);
        pos = lf + 1;
    }
}

} // namespace qb::interchange
