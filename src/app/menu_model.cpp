// The Move and Copy submenus and the slot table behind their command ids.
#include "app/document.h"

#include "model/mails.h"

namespace qb {

bool CQuillboxDoc::RebuildFolderMenus() {
    FillFolderMenu(kMoveMenuBase);
    m_port.FolderMenusChanged();
    return true;
}

std::vector<MenuItem> CQuillboxDoc::FillFolderMenu(int baseId) {
    std::vector<MenuItem> menu;
    menu.push_back(
        MenuItem::Label(kMenuListLabel, baseId == kCopyMenuBase ? kIdCopyLabel : kIdMoveLabel));
    menu.push_back(MenuItem::Separator());
    m_nMenuFolders = 0;
    for (const auto& entry : m_mailboxes)
        AddFolderMenuItem(menu, entry->m_pRoot.get(), baseId);
    return menu;
}

// Depth first, a folder before its sub-folders; the table holds at most kMaxMenuFolders folders
// and everything after the last one that fits is left out of the menu.
bool CQuillboxDoc::AddFolderMenuItem(std::vector<MenuItem>& menu, CMails* folder, int baseId) {
    if (m_nMenuFolders >= kMaxMenuFolders)
        return false;
    if (folder == nullptr)
        return true;
    const std::vector<CMails*> subFolders = folder->GetSubFolders();
    if (folder->IsRoot() || !subFolders.empty()) {
        MenuItem popup = MenuItem::Popup(folder->m_strName);
        popup.items.push_back(MenuItem::Command(kThisFolder, baseId + m_nMenuFolders));
        m_menuFolders[m_nMenuFolders++] = folder;
        if (!subFolders.empty()) {
            popup.items.push_back(MenuItem::Separator());
            for (CMails* sub : subFolders)
                AddFolderMenuItem(popup.items, sub, baseId);
        }
        menu.push_back(std::move(popup));
    } else {
        menu.push_back(MenuItem::Command(folder->m_strName, baseId + m_nMenuFolders));
        m_menuFolders[m_nMenuFolders++] = folder;
    }
    return true;
}

CMails* CQuillboxDoc::MenuFolder(int id) const {
    int slot = -1;
    if (IsMoveMenuId(id))
        slot = id - kMoveMenuBase;
    else if (IsCopyMenuId(id))
        slot = id - kCopyMenuBase;
    if (slot < 0 || slot >= m_nMenuFolders)
        return nullptr;
    return m_menuFolders[static_cast<std::size_t>(slot)];
}

} // namespace qb
