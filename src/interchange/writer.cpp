#include "interchange/writer.h"

#include "interchange/format_writers.h"
#include "interchange/reader.h"

#include "platform/file_system.h"
#include "platform/paths.h"
#include "platform/portable_names.h"

namespace qb::interchange {

std::optional<Format> ParseFormat(std::string_view name) {
    if (name == "mboxrd")
        return Format::Mboxrd;
    if (name == "maildir")
        return Format::Maildir;
    if (name == "eml")
        return Format::Eml;
    return std::nullopt;
}

const char* FormatName(Format format) {
    switch (format) {
    case Format::Mboxrd:
        return "mboxrd";
    case Format::Maildir:
        return "maildir";
    case Format::Eml:
        return "eml";
    }
    return "";
}

bool CWriter::Fail(std::string error) {
    m_error = std::move(error);
    return false;
}

bool CWriter::EnsureDirectory(const std::string& directory) {
    if (fs::IsDirectory(directory) || fs::CreateDirectory(directory))
        return true;
    return Fail("Cannot create the directory " + directory);
}

std::unique_ptr<CWriter> MakeWriter(Format format, const std::string& dest,
                                    std::int64_t exportTime) {
    switch (format) {
    case Format::Mboxrd:
        return MakeMboxWriter(dest, exportTime);
    case Format::Maildir:
        return MakeMaildirWriter(dest);
    case Format::Eml:
        return MakeEmlWriter(dest);
    }
    return nullptr;
}

bool VerifyWritten(Format format, const std::vector<WrittenFolder>& written, std::string& error) {
    ReadOptions options;
    options.subFolders = false;
    options.headersOnly = true;
    for (const WrittenFolder& folder : written) {
        std::unique_ptr<CReader> reader;
        switch (format) {
        case Format::Mboxrd:
            reader = MakeMboxReader(folder.output, options);
            break;
        case Format::Maildir:
            reader = MakeMaildirReader(folder.output, options);
            break;
        case Format::Eml:
            reader = MakeEmlReader(folder.output, options);
            break;
        }
        std::int64_t count = 0;
        ReadItem item;
        for (;;) {
            const ReadStatus status = reader->Next(item);
            if (status == ReadStatus::End)
                break;
            if (status != ReadStatus::Message) {
                error = folder.output + ": " + item.problem;
                return false;
            }
            ++count;
        }
        if (count != folder.count) {
            error = folder.output + " holds " + std::to_string(count) + " messages, " +
                    std::to_string(folder.count) + " were written";
            return false;
        }
    }
    return true;
}

bool IsUsableFolderName(std::string_view entry) {
    for (char c : entry) {
        const auto u = static_cast<unsigned char>(c);
        if (u < 0x20 || u == 0x7f)
            return false;
    }
#ifdef _WIN32
    return IsPortableEntryName(entry);
#else
    // A folder of an old store may well be named "Re: plans" or "notes.": such a name is written
    // as it is where the file system can hold it, rather than leaving the folder behind.
    return IsSingleEntryName(entry);
#endif
}

} // namespace qb::interchange
