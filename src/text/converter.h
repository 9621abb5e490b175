// The platform's charset converter behind two calls. converter_iconv.cpp implements them with
// glibc's iconv, converter_win.cpp with the Windows code pages; nothing else changes by platform.
#pragma once

#include <string>
#include <string_view>

namespace qb::converter {

// True when the converter can read text in the charset it calls `name`.
bool Knows(const std::string& name);

// Appends `bytes` (text in charset `name`) to `out` as UTF-8. False when the charset is unknown
// or the bytes are not valid in it; `out` then holds an unspecified partial result appended.
bool ToUtf8(std::string_view bytes, const std::string& name, std::string& out);

} // namespace qb::converter
