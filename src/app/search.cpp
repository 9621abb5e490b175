#include "app/search.h"

#include "app/readable_message.h"
#include "app/store_address.h"
#include "model/mails.h"
#include "text/header_decoder.h"
#include "text/header_params.h"
#include "text/mail_date.h"
#include "text/mime_parts.h"
#include "text/text_matcher.h"
#include "text/text_support.h"

#include <memory>

namespace qb {

namespace {

bool ReadDigits(std::string_view text, std::size_t at, std::size_t count, int& value) {
    value = 0;
    for (std::size_t i = at; i < at + count; ++i) {
        if (i >= text.size() || text[i] < '0' || text[i] > '9')
            return false;
        value = value * 10 + (text[i] - '0');
    }
    return true;
}

// A field decoded only when it needs it, with the message's body charset for undeclared text.
class FieldReader {
  public:
    explicit FieldReader(const CMessage& message) : m_message(message) {}
    std::string Decoded(std::string_view name) {
        std::string value = m_message.GetHeaderField(name);
        if (IsPlainHeader(value))
            return value;
        if (!m_charsetKnown) {
            m_charset = CHeaderParams(m_message.GetHeaderField("Content-Type:")).GetRaw("charset");
            m_charsetKnown = true;
        }
        return DecodeHeader(std::move(value), m_charset);
    }

  private:
    const CMessage& m_message;
    std::string m_charset;
    bool m_charsetKnown = false;
};

struct Matchers {
    explicit Matchers(const SearchQuery& q)
        : from(q.from), to(q.to), subject(q.subject), text(q.text) {}
    CTextMatcher from, to, subject, text;
};

// True when a text part that is no attachment holds the needle.
bool TextMatches(const CMessage& message, LineSource body, const CTextMatcher& matcher) {
    const CMimeParts parts(message.m_strHeader, body);
    for (std::size_t i = 0; i < parts.Parts().size(); ++i) {
        const MimePart& part = parts.Parts()[i];
        if (!part.IsText() || !part.fileName.empty() || part.disposition == "attachment")
            continue;
        if (matcher.Matches(parts.PartText(static_cast<int>(i))))
            return true;
    }
    return false;
}

class Searcher {
  public:
    Searcher(const SearchQuery& query, ProgressSink& progress,
             const std::function<void(const SearchHit&)>& onHit)
        : m_query(query), m_match(query), m_progress(progress), m_onHit(onHit) {}

    // False once the user asked to stop.
    bool Folder(const std::string& mailbox, const std::string& path, CMails& folder) {
        if (!SearchMessages(mailbox, path, folder))
            return false;
        for (CMails* child : folder.GetSubFolders()) {
            const std::string childPath =
                path.empty() ? child->m_strName : path + "/" + child->m_strName;
            if (!Folder(mailbox, childPath, *child))
                return false;
        }
        if (folder.m_bFoldersPending)
            ++summary.unreadable;
        return true;
    }

    SearchSummary summary;

  private:
    bool SearchMessages(const std::string& mailbox, const std::string& path, CMails& folder) {
        // With the deleted messages, rows are those of the listing that shows them too.
        if (!(m_query.deleted ? folder.LoadMessagesWithDeleted() : folder.LoadMessages()) &&
            !folder.IsRoot())
            ++summary.unreadable;
        const std::string status = mailbox + (path.empty() ? "" : "/" + path);
        const MessageList& messages = folder.m_pMessages;
        // The header fields first; the bodies only of the messages that pass them, read in one
        // go. A step of progress per message, or, when bodies are read, per body.
        const bool readBodies = !m_query.text.empty();
        std::vector<CMessage*> candidates;
        std::vector<std::size_t> rows;
        const std::uint64_t start = summary.messages;
        bool go = true;
        for (std::size_t row = 0; row < messages.size() && go; ++row) {
            CMessage& message = *messages[row];
            if (!readBodies)
                go = Step(start, row + 1, messages.size(), status);
            if (!go || !HeadersMatch(message))
                continue;
            if (readBodies) {
                candidates.push_back(&message);
                rows.push_back(row);
            } else {
                Found(mailbox, path, folder, message, row);
            }
        }
        if (go && !candidates.empty()) {
            std::size_t next = 0;
            go = folder.ReadBodies(candidates, [&](CMessage& message, const std::string* body) {
                const std::size_t row = rows[next++];
                if (!Step(start, row + 1, messages.size(), status))
                    return false;
                if (body == nullptr)
                    ++summary.unreadable;
                else if (BodyMatches(message, *body))
                    Found(mailbox, path, folder, message, row);
                return true;
            });
        }
        summary.messages = start + messages.size();
        folder.FreeMessages();
        return go;
    }

    bool Step(std::uint64_t start, std::size_t done, std::size_t total, const std::string& text) {
        if (m_progress.Step(start + done, start + total, text))
            return true;
        summary.stopped = true;
        return false;
    }

    void Found(const std::string& mailbox, const std::string& path, CMails& folder,
               CMessage& message, std::size_t row) {
        ++summary.hits;
        m_onHit(Hit(mailbox, path, folder, message, row));
    }

    bool HeadersMatch(CMessage& message) {
        if (m_query.HasDateFilter()) {
            const std::optional<std::int64_t> when = MessageTime(message);
            if (!when) {
                ++summary.unparseableDates;
                return false;
            }
            if ((m_query.since && *when < *m_query.since) ||
                (m_query.before && *when >= *m_query.before))
                return false;
        }
        FieldReader fields(message);
        return (m_query.subject.empty() || m_match.subject.Matches(fields.Decoded("Subject:"))) &&
               (m_query.from.empty() || m_match.from.Matches(fields.Decoded("From:"))) &&
               (m_query.to.empty() || m_match.to.Matches(fields.Decoded("To:")));
    }

    bool BodyMatches(const CMessage& message, std::string_view body) {
        m_lines.clear();
        SplitLines(body, m_lines);
        return TextMatches(message, LineSource(m_lines), m_match.text);
    }

    static SearchHit Hit(const std::string& mailbox, const std::string& path, CMails& folder,
                         CMessage& message, std::size_t row) {
        SearchHit hit;
        hit.mailbox = mailbox;
        hit.folder = path;
        hit.folderIdentity = folder.m_strPath;
        hit.row = row;
        hit.deleted = message.m_bDeleted;
        hit.rawDate = message.GetHeaderField("Date:");
        hit.rawFrom = message.GetHeaderField("From:");
        hit.rawSubject = message.GetHeaderField("Subject:");
        hit.date = DecodedField(message, "Date:");
        hit.from = DecodedField(message, "From:");
        hit.subject = DecodedField(message, "Subject:");
        return hit;
    }

    const SearchQuery& m_query;
    Matchers m_match;
    std::vector<std::string_view> m_lines;
    ProgressSink& m_progress;
    const std::function<void(const SearchHit&)>& m_onHit;
};

} // namespace

std::optional<std::int64_t> ParseSearchDate(std::string_view text) {
    const std::string_view t = TrimWhite(text);
    int y = 0, m = 0, d = 0;
    if (t.size() == 10 && t[4] == '-' && t[7] == '-' && ReadDigits(t, 0, 4, y) &&
        ReadDigits(t, 5, 2, m) && ReadDigits(t, 8, 2, d)) {
        static constexpr int kDays[] = {31, 29, 31, 30, 31, 30, 31, 31, 30, 31, 30, 31};
        const bool leap = (y % 4 == 0 && y % 100 != 0) || y % 400 == 0;
        if (m < 1 || m > 12 || d < 1 || d > kDays[m - 1] || (m == 2 && d == 29 && !leap))
            return std::nullopt;
        return DaysFromCivil(y, m, d) * 86400;
    }
    return ParseMailDate(t);
}

std::vector<std::string> SearchWarnings(const SearchSummary& summary) {
    std::vector<std::string> warnings;
    if (summary.unparseableDates > 0)
        warnings.push_back("Warning : " + std::to_string(summary.unparseableDates) +
                           " message(s) without a readable date left out by the date filter");
    if (summary.unreadable > 0)
        warnings.push_back("Warning : " + std::to_string(summary.unreadable) +
                           " folder(s) or message(s) could not be read");
    return warnings;
}

SearchSummary RunSearch(const std::vector<SearchScope>& scopes, const SearchQuery& query,
                        ProgressSink& progress,
                        const std::function<void(const SearchHit&)>& onHit) {
    Searcher searcher(query, progress, onHit);
    for (const SearchScope& scope : scopes) {
        const std::unique_ptr<MailboxEntry> store = OpenStore(scope.store);
        CMails* folder =
            store && store->m_pRoot ? FindFolderByPath(*store->m_pRoot, scope.folder) : nullptr;
        if (folder == nullptr) {
            ++searcher.summary.unreadable;
            continue;
        }
        std::string path = folder->IsRoot() ? std::string() : scope.folder;
        while (!path.empty() && path.front() == '/')
            path.erase(0, 1);
        while (!path.empty() && path.back() == '/')
            path.pop_back();
        if (!searcher.Folder(scope.store.name, path, *folder))
            break;
    }
    return searcher.summary;
}

} // namespace qb
