// A message body as read-only lines (without their line ends), whoever holds them: a message
// record's body lines, or views into the bytes of a message file.
#pragma once

#include <cstddef>
#include <span>
#include <string>
#include <string_view>
#include <vector>

namespace qb {

class LineSource {
  public:
    LineSource() = default;
    LineSource(std::span<const std::string> lines)
        : m_strings(lines.data()), m_count(lines.size()) {}
    LineSource(std::span<const std::string_view> lines)
        : m_views(lines.data()), m_count(lines.size()) {}
    LineSource(const std::vector<std::string>& lines) : LineSource(std::span(lines)) {}
    LineSource(const std::vector<std::string_view>& lines) : LineSource(std::span(lines)) {}

    std::size_t Count() const { return m_count; }
    std::string_view operator[](std::size_t i) const {
        return m_strings ? std::string_view(m_strings[i]) : m_views[i];
    }

  private:
    const std::string* m_strings = nullptr;
    const std::string_view* m_views = nullptr;
    std::size_t m_count = 0;
};

// A whole message in bytes, split into its header text and its body lines. The header is
// everything before the first empty line (line ends kept); body lines end at LF, CR LF or a lone
// CR, and a last line without a line end counts. The views point into `bytes`.
struct RawMessage {
    std::string_view header;
    std::vector<std::string_view> body;
};
RawMessage SplitRawMessage(std::string_view bytes);

// Appends the lines of `bytes` to `lines`, as views into `bytes`: each ends at LF, CR LF or a lone
// CR, and a last line without a line end counts.
void SplitLines(std::string_view bytes, std::vector<std::string_view>& lines);

} // namespace qb
