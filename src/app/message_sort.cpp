#include "app/message_sort.h"

#include "app/message_columns.h"
#include "app/readable_message.h"
#include "app/window_settings.h"
#include "platform/paths.h"

#include <algorithm>
#include <cstdint>
#include <numeric>
#include <optional>

namespace qb {

namespace {

constexpr char kSortColumn[] = "Sort Column";
constexpr char kSortDescending[] = "Sort Descending";
constexpr int kDateColumn = 3;

char FoldAscii(char c) {
    return c >= 'A' && c <= 'Z' ? static_cast<char>(c - 'A' + 'a') : c;
}

bool LessNoCase(const std::string& a, const std::string& b) {
    return std::lexicographical_compare(a.begin(), a.end(), b.begin(), b.end(), [](char x, char y) {
        return static_cast<unsigned char>(FoldAscii(x)) < static_cast<unsigned char>(FoldAscii(y));
    });
}

// Each key is computed once: decoding a header per comparison would cost a folder of many
// thousand messages several seconds.
template <typename Key, typename Less>
std::vector<std::size_t> StableOrder(const std::vector<Key>& keys, bool descending, Less less) {
    std::vector<std::size_t> rows(keys.size());
    std::iota(rows.begin(), rows.end(), std::size_t{0});
    std::stable_sort(rows.begin(), rows.end(), [&](std::size_t a, std::size_t b) {
        return descending ? less(keys[b], keys[a]) : less(keys[a], keys[b]);
    });
    return rows;
}

} // namespace

std::vector<std::size_t> SortedRows(const std::vector<const CMessage*>& messages,
                                    const MessageSort& sort) {
    if (sort.column < 0 || sort.column >= kMessageColumnCount) {
        std::vector<std::size_t> rows(messages.size());
        std::iota(rows.begin(), rows.end(), std::size_t{0});
        return rows;
    }
    if (sort.column == kDateColumn) {
        std::vector<std::optional<std::int64_t>> times;
        times.reserve(messages.size());
        for (const CMessage* message : messages)
            times.push_back(MessageTime(*message));
        // An unreadable date is smaller than any time (std::optional's order).
        return StableOrder(times, sort.descending,
                           [](const auto& a, const auto& b) { return a < b; });
    }
    std::vector<std::string> texts;
    texts.reserve(messages.size());
    for (const CMessage* message : messages)
        texts.push_back(DecodedColumn(*message, sort.column));
    return StableOrder(texts, sort.descending, LessNoCase);
}

std::string MessageCountText(std::size_t count) {
    return std::to_string(count) + (count == 1 ? " message" : " messages");
}

MessageSort ReadMessageSort(SettingsStore& store) {
    MessageSort sort;
    const int column = store.GetInt(kSortColumn, MessageSort::kFileOrder);
    if (column >= 0 && column < kMessageColumnCount)
        sort.column = column;
    sort.descending = EqualsNoCase(store.GetString(kSortDescending, "No"), "Yes");
    return sort;
}

void WriteMessageSort(SettingsStore& store, const MessageSort& sort) {
    store.SetInt(kSortColumn, sort.column);
    store.SetString(kSortDescending, sort.descending ? "Yes" : "No");
}

} // namespace qb
