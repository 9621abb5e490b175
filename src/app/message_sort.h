// The order the message list shows a folder's messages in: the folder's own order, or sorted by
// one column. Dates sort by the time they stand for, the other columns by their decoded text
// with ASCII letter case ignored. Messages that compare equal keep the folder's order in either
// direction, and a date that cannot be read sorts before every readable date (so first from
// oldest to newest, last from newest to oldest).
#pragma once

#include <cstddef>
#include <string>
#include <vector>

namespace qb {

class CMessage;
class SettingsStore;

struct MessageSort {
    // The column (kMessageColumns) the list is sorted by; kFileOrder for the folder's order.
    static constexpr int kFileOrder = -1;
    int column = kFileOrder;
    bool descending = false;

    bool operator==(const MessageSort&) const = default;
};

// Positions in `messages` in the order the list shows them.
std::vector<std::size_t> SortedRows(const std::vector<const CMessage*>& messages,
                                    const MessageSort& sort);

// "1 message", "N messages": the count of a folder's listed messages.
std::string MessageCountText(std::size_t count);

// Kept with the window's other values as "Sort Column" (-1 or a column out of range: the
// folder's order) and "Sort Descending" ("Yes"/"No").
MessageSort ReadMessageSort(SettingsStore& store);
void WriteMessageSort(SettingsStore& store, const MessageSort& sort);

} // namespace qb
