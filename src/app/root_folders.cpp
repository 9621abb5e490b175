// Which store class a registered mailbox's root folder is.
#include "app/mailbox_registry.h"

#include "stores/internet_mails.h"
#include "stores/netscape_mails.h"

namespace qb {

bool IsNetscapeType(const std::string& type) {
    return type == kTypeNavigator || type == kTypeCommunicator;
}

std::unique_ptr<CMails> MakeRootFolder(const MailboxEntry& entry) {
    if (IsNetscapeType(entry.m_strType))
        return std::make_unique<CNetscapeMails>(entry.m_strName, entry.m_strStoreRoot);
    return std::make_unique<CInternetMails>(entry.m_strName, entry.m_strStoreRoot);
}

} // namespace qb
