// File names for saving attachments.
#pragma once

#include <string>
#include <string_view>

namespace qb {

// A name that is safe to create in a chosen directory, from a decoded (UTF-8) attachment name:
// - only the last component of a path survives ("C:\\a\\b.doc" and "../b.doc" give "b.doc");
// - control characters, invalid UTF-8 and the characters Windows forbids (<>:"/\|?*) become '_';
// - blanks and dots at either end go (no hidden files, no "..", nothing Windows trims);
// - a Windows device name (CON, PRN, AUX, NUL, COM1-9, LPT1-9, also with an extension) gets a
//   '_' in front;
// - the result has at most kMaxFileNameBytes bytes, cut on a character boundary, keeping a short
//   extension.
// An empty result becomes "attachment" with an extension for the media type (".txt", ".html",
// ".eml", ".jpg", ...; ".bin" when unknown).
inline constexpr std::size_t kMaxFileNameBytes = 200;
std::string SafeFileName(std::string_view name, std::string_view mediaType = {});

} // namespace qb
