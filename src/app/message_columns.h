// The columns of the message list: the heading shown, the header field each row shows and the
// width a first run gives the column. The desktop program's list, its saved column widths and
// the command line's listing all follow this table.
#pragma once

#include <array>

namespace qb {

struct MessageColumn {
    const char* heading;
    const char* field; // as GetHeaderField takes it
    int defaultWidth;
};

inline constexpr int kMessageColumnCount = 4;
inline constexpr std::array<MessageColumn, kMessageColumnCount> kMessageColumns = {{
    {"Subject", "Subject:", 200},
    {"From", "From:", 100},
    {"To", "To:", 100},
    {"Date", "Date:", 100},
}};

using ColumnWidths = std::array<int, kMessageColumnCount>;

// The widths of a first run.
inline constexpr ColumnWidths DefaultColumnWidths() {
    ColumnWidths widths{};
    for (int i = 0; i < kMessageColumnCount; ++i)
        widths[static_cast<std::size_t>(i)] =
            kMessageColumns[static_cast<std::size_t>(i)].defaultWidth;
    return widths;
}

} // namespace qb
