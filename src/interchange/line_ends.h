// Line-end conversions of message bytes, appending to an output buffer.
#pragma once

#include <string>
#include <string_view>

namespace qb::interchange {

// Every LF or CR LF of `text` becomes `lineEnd`; a CR that ends no line is part of the line and
// stays.
void AppendWithLineEnds(std::string& out, std::string_view text, std::string_view lineEnd);

} // namespace qb::interchange
