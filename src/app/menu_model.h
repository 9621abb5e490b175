// The Move and Copy submenus: a description the front ends render (the "MailBox List" label, a
// separator, then one entry per folder of every mailbox, depth first) and the table of folders
// behind the entries' command ids.
#pragma once

#include "app/command_ids.h"
#include "app/mailbox_registry.h"

#include <array>
#include <string>
#include <vector>

namespace qb {

class CMails;

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

// The folders the entries stand for: slot n is the folder of ID_MOVE_FIRST + n and of
// ID_COPY_FIRST + n. The table holds at most kMaxMenuFolders folders.
class CFolderMenu {
  public:
    // The popup for `baseId` (ID_MOVE_FIRST or ID_COPY_FIRST) over every mailbox's tree, loading
    // sub-folders as it goes, and the table refilled to match it.
    std::vector<MenuItem> Fill(const MailboxList& mailboxes, int baseId);
    // The folder behind a Move or Copy entry; null for an id outside the filled slots.
    CMails* Folder(int id) const;
    int Count() const { return m_nFolders; }
    // Nothing may point into folder trees about to be freed.
    void Clear();

  private:
    bool AddItem(std::vector<MenuItem>& menu, CMails* folder, int baseId);

    std::array<CMails*, kMaxMenuFolders> m_folders{};
    int m_nFolders = 0;
};

} // namespace qb
