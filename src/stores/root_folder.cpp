#include "stores/root_folder.h"

#include "stores/internet_mails.h"
#include "stores/netscape_mails.h"

namespace qb {

bool IsNetscapeType(const std::string& type) {
    return type == kTypeNavigator || type == kTypeCommunicator;
}

std::unique_ptr<CMails> MakeRootFolder(const std::string& name, const std::string& storeRoot,
                                       const std::string& type) {
    if (IsNetscapeType(type))
        return std::make_unique<CNetscapeMails>(name, storeRoot);
    return std::make_unique<CInternetMails>(name, storeRoot);
}

} // namespace qb
