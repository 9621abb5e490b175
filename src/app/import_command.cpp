#include "app/import_command.h"

#include "app/document.h"
#include "app/message_file.h"
#include "interchange/reader.h"
#include "model/mails.h"
#include "platform/file_system.h"
#include "platform/paths.h"

#include <map>

namespace qb {

namespace {

// Appends are made in batches of this many messages or bytes, whichever comes first: one open
// and one flush of the folder's files per batch, and a bounded number of messages in memory.
constexpr std::size_t kBatchMessages = 256;
constexpr std::int64_t kBatchBytes = 8 << 20;

// Where a message of the source lies, for the report of one that is skipped.
std::string Where(const interchange::ReadItem& item, bool mbox) {
    if (mbox)
        return "Message " + std::to_string(item.number) + " at byte " +
               std::to_string(item.position) + " of " + item.file;
    return item.file.empty() ? "Folder " + JoinedPath(item.folder) : item.file;
}

class CImport {
  public:
    CImport(CQuillboxDoc& doc, CMails& folder, TransferReport& report)
        : m_doc(doc), m_top(folder), m_report(report) {}

    void Skip(const std::string& where, const std::string& why) {
        ++m_report.skipped;
        if (m_report.problems.size() < TransferReport::kMaxProblems)
            m_report.problems.push_back(where + ": " + why);
    }

    // Takes one message read from the source for the folder `path` below the top folder.
    void Take(const interchange::ReadItem& item, const std::string& where) {
        std::string why;
        CMails* target = Target(item.folder, why);
        if (target == nullptr) {
            Skip(where, why);
            return;
        }
        if (target != m_target)
            Flush();
        m_target = target;
        std::string error;
        std::unique_ptr<CMessage> message = MessageFromText(item.message.text, m_holder, error);
        if (message == nullptr) {
            Skip(where, error);
            return;
        }
        m_bytes += static_cast<std::int64_t>(item.message.text.size());
        m_pending.push_back(std::move(message));
        m_where.push_back(where);
        if (m_pending.size() >= kBatchMessages || m_bytes >= kBatchBytes)
            Flush();
    }

    // Appends the messages waiting for the current target.
    void Flush() {
        if (m_pending.empty())
            return;
        std::vector<CMessage*> sources;
        for (const auto& m : m_pending)
            sources.push_back(m.get());
        std::vector<bool> added;
        m_target->AddMessages(sources, added);
        for (std::size_t i = 0; i < added.size(); ++i) {
            if (added[i]) {
                ++m_report.messages;
                m_filled[m_target] = true;
            } else {
                Skip(m_where[i], "cannot be added to folder " + m_target->m_strName);
            }
        }
        m_pending.clear();
        m_where.clear();
        m_bytes = 0;
    }

    std::int64_t FoldersFilled() const { return static_cast<std::int64_t>(m_filled.size()); }
    bool MadeFolders() const { return m_made; }

  private:
    // The folder for the source's folder `path`, made (or found, letter case ignored) below the
    // top folder; null with `why` set when the store cannot hold it.
    CMails* Target(const std::vector<std::string>& path, std::string& why) {
        const auto known = m_targets.find(path);
        if (known != m_targets.end()) {
            why = known->second.why;
            return known->second.folder;
        }
        CMails* at = &m_top;
        for (const std::string& name : path) {
            CMails* child = nullptr;
            for (CMails* sub : at->GetSubFolders()) {
                if (child == nullptr && EqualsNoCase(sub->m_strName, name))
                    child = sub;
            }
            if (child == nullptr) {
                if (!at->IsRoot() && !at->HoldsSubFolders())
                    why = "folder " + JoinedPath(path) +
                          " not imported: the store's folders do not nest";
                else if (!at->CanHoldFolderName(name))
                    why = "folder " + JoinedPath(path) +
                          " not imported: the store cannot hold its name";
                else if ((child = at->CreateFolder(name)) == nullptr)
                    why = "folder " + JoinedPath(path) + " not imported: Cannot create new folder";
                if (child == nullptr)
                    break;
                m_doc.ShowFolderTree(at, child);
                m_made = true;
            }
            at = child;
        }
        if (at != nullptr && why.empty() && at->IsRoot()) {
            why = "a store's root folder holds no messages";
            at = nullptr;
        }
        if (why.empty() && at == nullptr)
            why = "folder " + JoinedPath(path) + " not imported";
        m_targets[path] = {why.empty() ? at : nullptr, why};
        return why.empty() ? at : nullptr;
    }

    struct Known {
        CMails* folder;
        std::string why;
    };

    CQuillboxDoc& m_doc;
    CMails& m_top;
    TransferReport& m_report;
    CMails m_holder{"", "", CMails::kPlain}; // owns nothing: the messages' composing folder
    std::map<std::vector<std::string>, Known> m_targets;
    std::map<CMails*, bool> m_filled;
    CMails* m_target = nullptr;
    std::vector<std::unique_ptr<CMessage>> m_pending;
    std::vector<std::string> m_where;
    std::int64_t m_bytes = 0;
    bool m_made = false;
};

std::string Summary(const TransferReport& report, const std::string& source) {
    return "Imported " + std::to_string(report.messages) + " messages into " +
           std::to_string(report.folders) + " folders from " + source + ", skipped " +
           std::to_string(report.skipped);
}

} // namespace

TransferReport CImportCommand::Import(const std::string& source, CMails* folder,
                                      const ImportOptions& options) {
    Port& port = m_doc.GetPort();
    TransferReport report;
    auto refuse = [&](const std::string& text) {
        port.Message(text);
        return TransferReport::Refused();
    };
    if (folder == nullptr)
        return refuse(kTextSelectFolderToImport);
    if (source.empty())
        return refuse(kTextInputSource);
    if (m_doc.RefuseIfReadOnly({folder}))
        return TransferReport::Refused();
    interchange::ReadOptions readOptions;
    readOptions.unquoteMboxrd = options.unquoteMboxrd;
    std::string error;
    const std::unique_ptr<interchange::CReader> reader =
        interchange::OpenReader(source, readOptions, error);
    if (reader == nullptr)
        return refuse(error);
    const bool mbox = fs::IsRegularFile(source);
    if (mbox && folder->IsRoot())
        return refuse(kTextCannotImportIntoRoot);
    // Appending to the very file being read would read the new messages again, without end.
    if (mbox && (folder->OwnsFile(AbsolutePath(source)) ||
                 fs::ResolvePath(source) == fs::ResolvePath(folder->m_strPath)))
        return refuse(kTextCannotImportIntoItself);
    const StoreLocks locks = m_doc.LockForChange({folder});
    if (!locks)
        return TransferReport::Refused();

    WaitCursor wait(port);
    const std::unique_ptr<ProgressSink> progress = port.BeginProgress("Import");
    const std::uint64_t total = mbox ? static_cast<std::uint64_t>(fs::FileSize(source)) : 0;
    const std::string status = "Importing into " + folder->m_strName;
    CImport import(m_doc, *folder, report);
    interchange::ReadItem item;
    std::uint64_t items = 0;
    for (;;) {
        const interchange::ReadStatus read = reader->Next(item);
        if (read == interchange::ReadStatus::End)
            break;
        if (read == interchange::ReadStatus::Failed) {
            import.Flush();
            port.Message(item.problem, Buttons::Ok, Icon::Stop);
            report.outcome = Outcome::Failed;
            break;
        }
        const std::string where = Where(item, mbox);
        if (read == interchange::ReadStatus::Skipped)
            import.Skip(where, item.problem);
        else
            import.Take(item, where);
        ++items;
        if (!progress->Step(mbox ? static_cast<std::uint64_t>(item.position) : items, total,
                            status)) {
            import.Flush();
            report.outcome = Outcome::Cancelled;
            break;
        }
    }
    import.Flush();
    report.folders = import.FoldersFilled();
    if (import.MadeFolders())
        m_doc.RebuildFolderMenus();
    port.FillMessageList();
    report.summary = (report.outcome == Outcome::Cancelled ? "Import cancelled: " : "") +
                     Summary(report, source);
    return report;
}

} // namespace qb
