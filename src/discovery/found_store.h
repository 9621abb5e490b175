// What the discovery sources yield: one mail store another client keeps on this machine, and the
// places in the user's environment that discovery looks at.
#pragma once

#include <string>
#include <vector>

namespace qb::discovery {

// The layout a found store has on disk; each maps to one registered type string.
enum class StoreKind {
    CommunicatorProfile, // a Netscape Communicator user's mail directory
    NavigatorMail,       // a Netscape-format mail directory of any other client
};

struct FoundStore {
    std::string name;
    std::string root; // the store's mail directory
    StoreKind kind = StoreKind::NavigatorMail;
    // Kept by a client that is still in use (it keeps its own summaries and may be running):
    // better registered read-only.
    bool readOnlySuggested = false;

    bool operator==(const FoundStore&) const = default;
};

// Texts for the user about files that were skipped; discovery itself never fails.
using Warnings = std::vector<std::string>;

// Where discovery looks: the user's home directory and the Wine prefix the user chose.
struct Places {
    std::string home;       // "" looks nowhere below a home directory
    std::string winePrefix; // "" when WINEPREFIX is unset

    // HOME (the password database when it is unset) and WINEPREFIX of this process.
    static Places FromEnvironment();
};

// The largest files the readers take; a larger one is skipped with a warning.
inline constexpr long long kMaxRegistryFileBytes = 256LL << 20;
inline constexpr long long kMaxSettingsFileBytes = 16LL << 20;

// "Warning : skipped PATH: REASON".
std::string SkippedFileWarning(const std::string& path, const std::string& reason);
// Reads a whole file for a parser. False, with a warning when it exists but cannot be read or is
// larger than `limit`; false without one when it does not exist.
bool ReadSettingsFile(const std::string& path, long long limit, std::string& text,
                      Warnings& warnings);

} // namespace qb::discovery
