// How a front end without a folder tree names stores, folders and messages: a store by
// "netscape:DIR", "imn:DIR" or the name of a registered mailbox; a folder by the names of the
// folders from the store's root joined with '/'; a message by its position in one listing.
#pragma once

#include "app/mailbox_registry.h"
#include "model/mails.h"
#include "platform/registry_file.h"

#include <cstddef>
#include <memory>
#include <optional>
#include <string>
#include <vector>

namespace qb {

// Texts shown when an address names nothing.
inline constexpr char kTextFolderNotFound[] = "Folder not found";
inline constexpr char kTextMessageNotFound[] = "Message not found";

// Prefixes that name a store directory directly, without registering it.
inline constexpr char kNetscapePrefix[] = "netscape:";
inline constexpr char kInternetMailPrefix[] = "imn:";

// The registered form of an addressed store: name, store root, type string and read-only mark. A
// store named by its directory is named after the directory's last component, and is read-only
// when a mailbox registered read-only keeps its files in that directory (compared after resolving
// links), so that naming a store by its path never gets round the mark.
// False (and `error` set) when the text names no registered mailbox, the directory part is empty,
// or the store root is not an existing directory.
bool ResolveStoreAddress(const std::string& text, RegistryFile& registry, MailboxRow& row,
                         std::string& error);

// True when two addressed stores are the same store: the same store class over the same
// directory (compared as absolute, normalised paths).
bool SameStore(const MailboxRow& a, const MailboxRow& b);

// An addressed store opened for one command: the entry (read-only as the row says) owns the root
// folder, built with the store class the type selects, with nothing loaded yet.
std::unique_ptr<MailboxEntry> OpenStore(const MailboxRow& row);

// The folder that a '/'-joined path of folder names names below `root`, each name matched
// exactly against what GetSubFolders yields (loading sub-folders as it goes). The empty path
// and "/" name the root itself; one leading and one trailing '/' are ignored. Null when any
// name is not found.
CMails* FindFolderByPath(CMails& root, const std::string& path);

// Every folder below `root`, depth first, children in GetSubFolders order, with its path.
struct FolderPath {
    std::string path;
    CMails* folder = nullptr;
};
std::vector<FolderPath> ListFolderPaths(CMails& root);

// A ROW argument: decimal digits only. Nullopt for anything else (sign, blanks, empty).
// Values too large for the platform come back as the largest size, which no listing reaches.
std::optional<std::size_t> ParseRow(const std::string& text);

// The messages that `rows` name in one listing, each once, in list order however the rows were
// given. False (and nothing selected) when any row lies outside the listing.
bool SelectRows(const MessageList& listing, const std::vector<std::size_t>& rows,
                std::vector<CMessage*>& selected);

} // namespace qb
