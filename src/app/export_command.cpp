#include "app/export_command.h"

#include "app/document.h"
#include "interchange/message.h"
#include "interchange/writer.h"
#include "model/mails.h"
#include "platform/file_system.h"
#include "platform/paths.h"

#include <algorithm>
#include <ctime>

namespace qb {

namespace {

interchange::Format WriterFormat(ExportFormat format) {
    switch (format) {
    case ExportFormat::Maildir:
        return interchange::Format::Maildir;
    case ExportFormat::Eml:
        return interchange::Format::Eml;
    case ExportFormat::Mboxrd:
        break;
    }
    return interchange::Format::Mboxrd;
}

// One folder to write, with its folder path below DEST.
struct Planned {
    CMails* folder;
    std::vector<std::string> path;
};

void PlanSubFolders(CMails& folder, const std::vector<std::string>& path,
                    std::vector<Planned>& plan) {
    for (CMails* sub : folder.GetSubFolders()) {
        std::vector<std::string> subPath = path;
        subPath.push_back(sub->m_strName);
        plan.push_back({sub, subPath});
        PlanSubFolders(*sub, subPath, plan);
    }
}

// Whether `path` is `directory` or lies below it (both resolved).
bool IsWithin(const std::string& path, const std::string& directory) {
    return !directory.empty() && (path == directory || path.starts_with(directory + "/"));
}

std::string Summary(const TransferReport& report, const std::string& dest) {
    std::string text = "Exported " + std::to_string(report.messages) + " messages from " +
                       std::to_string(report.folders) + " folders to " + dest;
    if (report.deletedLeftOut > 0)
        text += " (" + std::to_string(report.deletedLeftOut) + " deleted messages left out)";
    return text;
}

} // namespace

std::optional<ExportFormat> ParseExportFormat(std::string_view name) {
    for (ExportFormat format : {ExportFormat::Mboxrd, ExportFormat::Maildir, ExportFormat::Eml}) {
        if (name == ExportFormatName(format))
            return format;
    }
    return std::nullopt;
}

const char* ExportFormatName(ExportFormat format) {
    return interchange::FormatName(WriterFormat(format));
}

TransferReport CExportCommand::Export(CMails* folder, const std::string& dest,
                                      const ExportOptions& options) {
    Port& port = m_doc.GetPort();
    TransferReport report;
    auto refuse = [&](const std::string& text) {
        port.Message(text);
        return TransferReport::Refused();
    };
    if (folder == nullptr)
        return refuse(kTextSelectFolderToExport);
    if (dest.empty())
        return refuse(kTextInputDestination);
    if (folder->IsRoot() && !options.subFolders)
        return refuse(kTextRootNeedsSubFolders);
    if (fs::Exists(dest) && !fs::IsDirectory(dest))
        return refuse("Cannot export to " + dest + ": not a directory");
    // Files written into a store's directory could turn up there as folders.
    const std::string resolved = fs::ResolvePath(dest);
    bool intoStore = IsWithin(resolved, fs::ResolvePath(folder->GetRoot()->m_strPath));
    for (const auto& entry : m_doc.Mailboxes()) {
        if (entry->m_pRoot != nullptr && IsWithin(resolved, fs::ResolvePath(entry->m_strStoreRoot)))
            intoStore = true;
    }
    if (intoStore)
        return refuse(kTextExportIntoStore);

    const bool maildir = options.format == ExportFormat::Maildir;
    std::vector<Planned> plan;
    if (folder->IsRoot()) {
        if (maildir)
            plan.push_back({folder, {}});
        PlanSubFolders(*folder, {}, plan);
    } else {
        const std::vector<std::string> top =
            maildir ? std::vector<std::string>{} : std::vector<std::string>{folder->m_strName};
        plan.push_back({folder, top});
        if (options.subFolders)
            PlanSubFolders(*folder, top, plan);
    }
    std::uint64_t total = 0;
    for (const Planned& p : plan)
        total += static_cast<std::uint64_t>(p.folder->StoreBytes());

    WaitCursor wait(port);
    const std::unique_ptr<ProgressSink> progress = port.BeginProgress("Export");
    const interchange::Format format = WriterFormat(options.format);
    const std::unique_ptr<interchange::CWriter> writer =
        interchange::MakeWriter(format, dest, static_cast<std::int64_t>(std::time(nullptr)));
    auto fail = [&](const std::string& text) {
        writer->Abort();
        port.Message(text, Buttons::Ok, Icon::Stop);
        report.outcome = Outcome::Failed;
        return report;
    };

    std::uint64_t before = 0; // bytes of the folders done
    for (const Planned& p : plan) {
        const std::string joined = JoinedPath(p.path);
        const std::string name = joined.empty() ? folder->m_strName : joined;
        if (!writer->BeginFolder(p.path))
            return fail("Cannot export " + name + ": " + writer->Error());
        const std::uint64_t bytes = static_cast<std::uint64_t>(p.folder->StoreBytes());
        const std::string status = "Exporting " + name;
        bool writeFailed = false;
        bool cancelled = false;
        std::int64_t written = 0;
        std::int64_t leftOut = 0;
        const bool read = p.folder->ForEachMessage(true, [&](CMessage& message, bool isDeleted) {
            if (isDeleted && !options.includeDeleted) {
                ++leftOut;
            } else {
                // The store's own deleted mark is the one that counts.
                std::uint32_t flags = interchange::StatusFromHeader(message.m_strHeader) &
                                      ~interchange::kStatusDeleted;
                if (isDeleted)
                    flags |= interchange::kStatusDeleted;
                if (!writer->WriteRecord(message.m_strHeader, message.m_aBody, flags)) {
                    writeFailed = true;
                    return false;
                }
                ++written;
            }
            const auto at = static_cast<std::uint64_t>(
                std::max<std::int64_t>(message.m_nOffset + message.m_nSize, 0));
            if (!progress->Step(before + std::min(at, bytes), total, status)) {
                cancelled = true;
                return false;
            }
            return true;
        });
        if (writeFailed)
            return fail("Cannot export " + name + ": " + writer->Error());
        if (cancelled) {
            writer->Abort();
            report.outcome = Outcome::Cancelled;
            report.summary = "Export cancelled: " + Summary(report, dest);
            return report;
        }
        if (!read)
            return fail("Cannot read folder " + name);
        if (!writer->EndFolder())
            return fail("Cannot export " + name + ": " + writer->Error());
        report.messages += written;
        report.deletedLeftOut += leftOut;
        ++report.folders;
        before += bytes;
    }
    // What was written is read back: any reader of these files must find every message.
    progress->Step(total, total, "Checking " + dest);
    std::string error;
    if (!interchange::VerifyWritten(format, writer->Written(), error)) {
        port.Message("The export to " + dest + " does not read back as written: " + error,
                     Buttons::Ok, Icon::Stop);
        report.outcome = Outcome::Failed;
        return report;
    }
    report.summary = Summary(report, dest);
    return report;
}

} // namespace qb
