// Store text is 8-bit; the program shows it as UTF-8 when it is valid UTF-8 and as Windows-1252
// otherwise, and turns what the user types back into Windows-1252 bytes, except the names of new
// folders, which become file names and are written in the file system's encoding (UTF-8).
#pragma once

#include <QString>

#include <optional>
#include <string>
#include <string_view>

namespace qb {

QString FromStoreText(std::string_view bytes);
// The Windows-1252 bytes of `text`; nullopt when a character has no byte in that code page, so
// that a name is never written with a character silently replaced.
std::optional<std::string> ToStoreText(const QString& text);
// The UTF-8 bytes of a typed folder name; nullopt for text that is not valid UTF-16 (a lone
// surrogate), which no file name can hold.
std::optional<std::string> ToFileNameText(const QString& text);

} // namespace qb
