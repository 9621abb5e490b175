#include "app/menu_model.h"

#include "model/mails.h"

namespace qb {

std::vector<MenuItem> CFolderMenu::Fill(const MailboxList& mailboxes, int baseId) {
    std::vector<MenuItem> menu;
    menu.push_back(MenuItem::Label(kMenuListLabel,
                                   baseId == ID_COPY_FIRST ? ID_COPY_HEADING : ID_MOVE_HEADING));
    menu.push_back(MenuItem::Separator());
    m_nFolders = 0;
    for (const auto& entry : mailboxes)
        AddItem(menu, entry->m_pRoot.get(), baseId);
    return menu;
}

// Depth first, a folder before its sub-folders; everything after the last folder that fits the
// table is left out of the menu.
bool CFolderMenu::AddItem(std::vector<MenuItem>& menu, CMails* folder, int baseId) {
    if (m_nFolders >= kMaxMenuFolders)
        return false;
    if (folder == nullptr)
        return true;
    const std::vector<CMails*> subFolders = folder->GetSubFolders();
    if (folder->IsRoot() || !subFolders.empty()) {
        MenuItem popup = MenuItem::Popup(folder->m_strName);
        popup.items.push_back(MenuItem::Command(kThisFolder, baseId + m_nFolders));
        m_folders[static_cast<std::size_t>(m_nFolders++)] = folder;
        if (!subFolders.empty()) {
            popup.items.push_back(MenuItem::Separator());
            for (CMails* sub : subFolders)
                AddItem(popup.items, sub, baseId);
        }
        menu.push_back(std::move(popup));
    } else {
        menu.push_back(MenuItem::Command(folder->m_strName, baseId + m_nFolders));
        m_folders[static_cast<std::size_t>(m_nFolders++)] = folder;
    }
    return true;
}

CMails* CFolderMenu::Folder(int id) const {
    int slot = -1;
    if (IsMoveMenuId(id))
        slot = id - ID_MOVE_FIRST;
    else if (IsCopyMenuId(id))
        slot = id - ID_COPY_FIRST;
    if (slot < 0 || slot >= m_nFolders)
        return nullptr;
    return m_folders[static_cast<std::size_t>(slot)];
}

void CFolderMenu::Clear() {
    m_folders.fill(nullptr);
    m_nFolders = 0;
}

} // namespace qb
