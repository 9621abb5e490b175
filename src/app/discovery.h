// Finds the mail stores of the other mail clients, from their keys in the registry file and on
// this machine, and registers them as mailboxes on the first run.
#pragma once

#include "app/mailbox_registry.h"
#include "discovery/found_store.h"

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
// From the registry's keys only: Communicator profiles, then "Internet Mail", then "Netscape
// Mail" (when found).
void DiscoverMailboxes(const RegistryData& data, MailboxList& list);

// The stores on this machine: those the same keys name in each Wine prefix (their Windows paths
// mapped into the prefix), Netscape for Unix's mail directory, then the local mail directories of
// the Mozilla-family profiles (marked read-only). Files that cannot be read are skipped with a
// warning.
MailboxList DiscoverOnDisk(const discovery::Places& places, discovery::Warnings& warnings);
// Appends the stores of `more` that no entry of `list` already has: the same directory, compared
// after resolving links. A name taken by an earlier entry gets " (2)", " (3)", ...; a name that
// cannot be a registry key name has its backslashes and control characters replaced.
void MergeDiscovered(MailboxList& list, MailboxList more);
// The whole discovery: the registry's keys, then the stores on this machine (as above), merged.
void DiscoverMailboxes(const RegistryData& data, const discovery::Places& places, MailboxList& list,
                       discovery::Warnings& warnings);
// The same over the registry file, looking on this machine at the places of the environment
// (HOME, WINEPREFIX).
void DiscoverMailboxes(RegistryFile& registry, MailboxList& list,
                       discovery::Warnings* warnings = nullptr);

// The first-run registration: when the marker is absent, registers every discovered store (the
// read-only ones with "Read Only" = 1) and sets the marker, all in one write. True when the
// registration ran or had run before; false when the registry file could not be read or written
// (nothing registered, the marker unset, so the next start tries again). A store whose directory
// contradicts its type (StoreTypeRefusal) is left out with a warning "NAME: reason".
bool RegisterDefaultMailboxes(RegistryFile& registry, discovery::Warnings* warnings = nullptr);

} // namespace qb
