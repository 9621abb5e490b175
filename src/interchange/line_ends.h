// Line-end conversions of message bytes, appending to an output buffer.
#pragma once

#include <string>
#include <string_view>

namespace qb::interchange {

// CR LF becomes LF; a CR that ends no line is part of the line and stays.
void AppendWithLf(std::string& out, std::string_view text);
// A LF without its CR becomes CR LF.
void AppendWithCrLf(std::string& out, std::string_view text);

} // namespace qb::interchange
