// The Move and Copy submenus as a description the front ends render: the "MailBox List" label,
// a separator, then one entry per folder of every mailbox, depth first.
#pragma once

#include <string>
#include <vector>

namespace qb {

inline constexpr int kMoveMenuBase = 8000; // Move entries: 8000..8999
inline constexpr int kCopyMenuBase = 9000; // Copy entries: 9000..9999
inline constexpr int kMaxMenuFolders = 1000;
inline constexpr int kIdMoveLabel = 32776;
inline constexpr int kIdCopyLabel = 32777;
inline constexpr char kMenuListLabel[] = "MailBox List";
inline constexpr char kThisFolder[] = "This Folder";

struct MenuItem {
    enum class Kind { Label, Separator, Command, Popup };

    Kind kind = Kind::Command;
    std::string text;            // label, command or popup text; empty for a separator
    int id = 0;                  // command id (Label and Command)
    std::vector<MenuItem> items; // contents of a popup

    static MenuItem Label(std::string text, int id) {
        return {Kind::Label, std::move(text), id, {}};
    }
    static MenuItem Separator() { return {Kind::Separator, {}, 0, {}}; }
    static MenuItem Command(std::string text, int id) {
        return {Kind::Command, std::move(text), id, {}};
    }
    static MenuItem Popup(std::string text) { return {Kind::Popup, std::move(text), 0, {}}; }
};

// True when `id` belongs to the Move (respectively Copy) folder entries.
inline bool IsMoveMenuId(int id) {
    return id >= kMoveMenuBase && id < kMoveMenuBase + kMaxMenuFolders;
}
inline bool IsCopyMenuId(int id) {
    return id >= kCopyMenuBase && id < kCopyMenuBase + kMaxMenuFolders;
}

} // namespace qb
