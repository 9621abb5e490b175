#include "interchange/file_message.h"

#include "platform/file_system.h"

namespace qb::interchange {

ReadStatus ReadMessageFile(const std::string& path, std::int64_t maxBytes, ReadItem& item) {
    item.file = path;
    fs::File file;
    const std::int64_t size = file.Open(path, fs::OpenMode::Read) ? file.Size() : -1;
    if (size < 0) {
        item.problem = "cannot be read";
        return ReadStatus::Skipped;
    }
    if (size > maxBytes) {
        item.problem = "message larger than " + std::to_string(maxBytes) + " bytes";
        return ReadStatus::Skipped;
    }
    std::string& text = item.message.text;
    text.resize(static_cast<std::size_t>(size));
    std::size_t got = 0;
    for (;;) {
        if (got == text.size())
            text.resize(got + 4096); // the file may have grown since
        const std::int64_t n = file.Read(text.data() + got, text.size() - got);
        if (n < 0) {
            text.clear();
            item.problem = "cannot be read";
            return ReadStatus::Skipped;
        }
        if (n == 0)
            break;
        got += static_cast<std::size_t>(n);
        if (static_cast<std::int64_t>(got) > maxBytes) {
            text.clear();
            item.problem = "message larger than " + std::to_string(maxBytes) + " bytes";
            return ReadStatus::Skipped;
        }
    }
    text.resize(got);
    const std::string_view content = WithoutEnvelope(text);
    if (content.size() != text.size())
        text.erase(0, text.size() - content.size());
    return ReadStatus::Message;
}

} // namespace qb::interchange
