// The root folder of a registered store: which store class a mailbox's type string selects.
// The application layer makes its roots here and reaches the stores only through CMails.
#pragma once

#include "model/mails.h"

#include <memory>
#include <string>

namespace qb {

// Store type strings as written to the registry.
inline constexpr char kTypeInternetMail[] = "Microsoft IM";
inline constexpr char kTypeNavigator[] = "Navigator Mail";
inline constexpr char kTypeCommunicator[] = "Communicator User";

// True when the type string selects the Netscape store (exact, case-sensitive); every other
// text, the empty one included, selects the Internet Mail store.
bool IsNetscapeType(const std::string& type);

// The root folder of the store class that `type` selects, named `name`, over the store directory
// `storeRoot`; nothing is loaded yet.
std::unique_ptr<CMails> MakeRootFolder(const std::string& name, const std::string& storeRoot,
                                       const std::string& type);

} // namespace qb
