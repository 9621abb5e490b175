#include "ui/shorten_text.h"

namespace qb {

QString ShortenText(const QString& text, int span, int inset,
                    const std::function<int(const QString&)>& width) {
    if (width(text) + 2 * inset <= span)
        return text;
    const QString mark = QString::fromLatin1(kShortenMark);
    const int room = span - width(mark) - 2 * inset;
    // Dropping one character at a time from the end; prefix widths only grow with length, so
    // the longest prefix that fits is found by halving instead of measuring every length.
    qsizetype low = 1;
    qsizetype high = text.size() - 1;
    while (low < high) {
        qsizetype mid = low + (high - low + 1) / 2;
        if (width(text.left(mid)) <= room)
            low = mid;
        else
            high = mid - 1;
    }
    qsizetype keep = text.isEmpty() ? 0 : std::max<qsizetype>(1, low);
    return text.left(keep) + mark;
}

} // namespace qb
