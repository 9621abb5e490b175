// Store text is 8-bit; the program shows it decoded as Windows-1252 and turns what the user types
// back into those bytes.
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

} // namespace qb
