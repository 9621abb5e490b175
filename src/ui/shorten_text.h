// The list's rule for text that does not fit its column: characters are dropped from the end
// and "..." (three full stops) appended.
#pragma once

#include <QString>

#include <functional>

namespace qb {

inline constexpr char kShortenMark[] = "...";

// `text` as drawn in a span of `span` pixels with `inset` pixels kept free on each side.
// `width` measures a string. Text that fits comes back unchanged; otherwise the longest prefix
// (at least one character) whose width plus that of "..." plus both insets fits, then "...".
QString ShortenText(const QString& text, int span, int inset,
                    const std::function<int(const QString&)>& width);

} // namespace qb
