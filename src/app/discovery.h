// Finds the mail stores of the other mail clients from their keys in the registry file, and
// registers them as mailboxes on the first run.
#pragma once

#include "app/mailbox_registry.h"

#include <string>

namespace qb {

// Keys read (never written) by discovery.
inline constexpr char kCommunicatorUsersKey[] = "SOFTWARE\\Netscape\\Netscape Navigator\\Users";
inline constexpr char kCommunicatorDirRootValue[] = "DirRoot";
inline constexpr char kInternetMailKey[] = "Software\\Microsoft\\Internet Mail and News";
inline constexpr char kInternetMailRootValue[] = "Store Root";
inline constexpr char kNavigatorMailKey[] = "Software\\Netscape\\Netscape Navigator\\Mail";
inline constexpr char kNavigatorMailDirValue[] = "Mail Directory";
// Default names of the discovered single stores.
inline constexpr char kInternetMailName[] = "Internet Mail";
inline constexpr char kNetscapeMailName[] = "Netscape Mail";

// First-run marker: a dword below the application key. Registration runs when it is missing or
// 0, and sets it to 1.
inline constexpr char kFirstRunMarkerValue[] = "Default Mailboxes Registered";

// The directory followed by the separator and "Mail" (a separator already ending it is not
// doubled; an empty directory gives "/Mail").
std::string AppendMailDirectory(const std::string& directory);

// Appends one entry per Communicator profile (type "Communicator User", store root the
// profile's "DirRoot" + "/Mail"); false, nothing appended, when the Users key does not exist.
bool FindCommunicatorProfiles(RegistryFile& registry, MailboxList& list);
bool FindCommunicatorProfiles(const RegistryData& data, MailboxList& list);
// The Internet Mail store root + "/Mail", or "" when not recorded.
std::string GetInternetMailRoot(RegistryFile& registry);
std::string GetInternetMailRoot(const RegistryData& data);
// The Navigator mail directory as recorded, or "".
std::string GetNavigatorMailDir(RegistryFile& registry);
std::string GetNavigatorMailDir(const RegistryData& data);
// Communicator profiles, then "Internet Mail", then "Netscape Mail" (when found).
void DiscoverMailboxes(RegistryFile& registry, MailboxList& list);
void DiscoverMailboxes(const RegistryData& data, MailboxList& list);

// The first-run registration: when the marker is absent, registers every discovered store and
// sets the marker, all in one write. True when the registration ran or had run before; false
// when the registry file could not be read or written (nothing registered, the marker unset, so
// the next start tries again).
bool RegisterDefaultMailboxes(RegistryFile& registry);

} // namespace qb
