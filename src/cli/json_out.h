// JSON output of the reading commands: one document per command, UTF-8. A field that holds
// store bytes as they are comes with a "_raw" twin whose characters are those bytes read as
// ISO-8859-1 (U+0000 to U+00FF, one per byte), so that a script gets the exact bytes back by
// encoding the string as Latin-1; the field without the suffix holds the decoded text.
#pragma once

#include <nlohmann/json.hpp>

#include <string>
#include <string_view>

namespace qb::cli {

// Bytes as ISO-8859-1 text, one character per byte.
std::string RawJsonText(std::string_view bytes);

// One JSON value, compact, as UTF-8 (text that is not valid UTF-8 cannot reach it: every string
// put in is decoded or raw text).
std::string JsonText(const nlohmann::json& value);

} // namespace qb::cli
