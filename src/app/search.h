// Finding messages across stores: by decoded header fields, by the decoded text of their text
// parts, and by date. The search opens the stores afresh and reads one folder at a time and one
// message body at a time, so that it never touches the folders a front end shows and holds no
// more than a listing does.
#pragma once

#include "app/mailbox_registry.h"
#include "app/port.h"

#include <cstddef>
#include <cstdint>
#include <functional>
#include <optional>
#include <string>
#include <string_view>
#include <vector>

namespace qb {

// What a message must have to be found; every criterion given must hold. Texts are UTF-8 and are
// found anywhere in the decoded field, letter case ignored.
struct SearchQuery {
    std::string from;
    std::string to;
    std::string subject;
    std::string text;                   // in the text parts (those that are no attachment)
    std::optional<std::int64_t> since;  // dated at or after this time (seconds since 1970, UTC)
    std::optional<std::int64_t> before; // dated before it
    bool deleted = false;               // the messages marked deleted are searched too
    bool HasDateFilter() const { return since.has_value() || before.has_value(); }
};

// A date given to a date filter: "YYYY-MM-DD" (the start of that day, UTC) or a date in any form
// a mail header carries. Nothing when the text is neither.
std::optional<std::int64_t> ParseSearchDate(std::string_view text);

// Where to search: a store and one of its folders by its '/'-joined path ("" for the whole
// store); each folder is searched with its sub-folders.
struct SearchScope {
    MailboxRow store;
    std::string folder;
};

struct SearchHit {
    std::string mailbox;                      // the store's name, as registered
    std::string folder;                       // the folder's '/'-joined path of names
    std::string folderIdentity;               // the folder's identity path (CMails::m_strPath)
    std::size_t row = 0;                      // the message's position in the folder's list
    bool deleted = false;                     // marked deleted (found only when asked for)
    std::string date, from, subject;          // decoded (UTF-8)
    std::string rawDate, rawFrom, rawSubject; // as stored
};

struct SearchSummary {
    std::uint64_t messages = 0; // messages looked at
    std::uint64_t hits = 0;
    std::uint64_t unparseableDates = 0; // left out by a date filter: no readable date
    std::uint64_t unreadable = 0;       // folders or message bodies that could not be read
    bool stopped = false;               // the user asked to stop
};

// The warnings a finished search leaves (empty when there is nothing to warn about).
std::vector<std::string> SearchWarnings(const SearchSummary& summary);

// Runs the search over the scopes in order, folder by folder (each folder before its sub-folders)
// and message by message in list order, handing each hit to `onHit` as it is found. `progress`
// gets one step per message; when it asks to stop, the search ends at that message.
SearchSummary RunSearch(const std::vector<SearchScope>& scopes, const SearchQuery& query,
                        ProgressSink& progress, const std::function<void(const SearchHit&)>& onHit);

} // namespace qb
