// mboxrd: each folder one file NAME.mbox, its sub-folders in the directory NAME/ beside it.
#include "interchange/format_writers.h"

#include "platform/file_system.h"
#include "platform/paths.h"
#include "text/mail_date.h"
#include "text/text_support.h"

#include <cstring>

namespace qb::interchange {

namespace {

constexpr std::size_t kFlushAt = 1 << 20;

// True for a line that reads as an envelope line once its leading ">" are taken away.
bool NeedsQuote(std::string_view line) {
    std::size_t i = 0;
    while (i < line.size() && line[i] == '>')
        ++i;
    return line.compare(i, 5, "From ") == 0;
}

class CMboxWriter : public CWriter {
  public:
    CMboxWriter(std::string dest, std::int64_t exportTime)
        : m_dest(std::move(dest)), m_exportTime(exportTime) {}
    ~CMboxWriter() override { Abort(); }

    bool BeginFolder(const std::vector<std::string>& folder) override {
        Abort();
        if (folder.empty())
            return Fail("An mbox export needs a folder name");
        std::string directory = m_dest;
        if (!EnsureDirectory(directory))
            return false;
        for (std::size_t i = 0; i < folder.size(); ++i) {
            if (!IsUsableFolderName(folder[i]))
                return Fail("Folder name not usable as a file name: " + folder[i]);
            if (i + 1 < folder.size()) {
                directory = JoinPath(directory, folder[i]);
                if (!EnsureDirectory(directory))
                    return false;
            }
        }
        m_target = JoinPath(directory, folder.back() + ".mbox");
        if (fs::Exists(m_target))
            return Fail(m_target + " exists");
        m_temp = fs::TemporaryNameFor(m_target);
        if (!m_file.Open(m_temp, fs::OpenMode::CreateNew)) {
            m_temp.clear();
            return Fail("Cannot create " + m_target);
        }
        m_current = {folder, m_target, 0};
        m_buffer.clear();
        return true;
    }

    bool Write(const Message& message) override {
        if (!m_file.IsOpen())
            return Fail("No folder open");
        const std::string_view text = WithoutEnvelope(message.text);
        if (AppendEnvelope(text)) {
            // Readers that trust the length (mutt among them) would split this file elsewhere
            // than at its envelope lines unless it counts the body as written here.
            m_body.clear();
            const std::size_t bodyAt = AppendLines(m_body, text, true);
            AppendHeader(std::string_view(m_body).substr(0, bodyAt), m_body.size() - bodyAt);
            m_buffer.append(m_body, bodyAt);
        } else {
            AppendLines(m_buffer, text, false);
        }
        return EndMessage();
    }

    bool WriteRecord(std::string_view header, const std::vector<std::string>& bodyLines,
                     std::uint32_t status) override {
        const std::string_view head = WithoutEnvelope(header);
        // The body lines go out one by one, unjoined, where the header alone reads as it does in
        // the joined message: every line ended, no empty line.
        if (!m_file.IsOpen() ||
            (!head.empty() && (!head.ends_with("\r\n") || HeaderOf(head).size() != head.size())))
            return CWriter::WriteRecord(header, bodyLines, status);
        if (AppendEnvelope(head)) {
            std::size_t bodyBytes = 0;
            for (const std::string& line : bodyLines)
                bodyBytes += line.size() + (NeedsQuote(line) ? 2 : 1);
            m_body.clear();
            AppendLines(m_body, head, false);
            m_body += '\n';
            AppendHeader(m_body, bodyBytes);
        } else {
            AppendLines(m_buffer, head, false);
            m_buffer += '\n';
        }
        for (const std::string& line : bodyLines) {
            if (NeedsQuote(line))
                m_buffer += '>';
            m_buffer += line;
            m_buffer += '\n';
        }
        return EndMessage();
    }

    bool EndFolder() override {
        if (!m_file.IsOpen())
            return Fail("No folder open");
        bool ok = FlushBuffer() && m_file.Flush();
        ok = m_file.Close() && ok;
        if (!ok) {
            Abort();
            return Fail("Cannot write " + m_target);
        }
        if (!fs::MoveFile(m_temp, m_target)) {
            Abort();
            return Fail(fs::Exists(m_target) ? m_target + " exists" : "Cannot write " + m_target);
        }
        m_temp.clear();
        if (!fs::SyncDirectory(DirectoryOf(m_target)))
            return Fail("Cannot sync " + DirectoryOf(m_target));
        m_written.push_back(std::move(m_current));
        m_current = {};
        return true;
    }

    void Abort() override {
        m_file.Close();
        if (!m_temp.empty())
            fs::RemoveFile(m_temp);
        m_temp.clear();
        m_buffer.clear();
    }

  private:
    // Starts a message: its envelope line, from the header of `text`. True when the header has a
    // Content-Length field, which must then be written with the length of the body as written.
    bool AppendEnvelope(std::string_view text) {
        const auto fields = HeaderFields(text, {"Date", "Content-Length", "Return-Path", "From"});
        const std::optional<std::int64_t> when =
            fields[0] ? ParseMailDate(*fields[0]) : std::nullopt;
        m_buffer += "From ";
        m_buffer += EnvelopeSender(fields[2], fields[3]);
        m_buffer += ' ';
        m_buffer += FormatAsctime(when.value_or(m_exportTime));
        m_buffer += '\n';
        return fields[1].has_value();
    }

    // Ends a message with the empty line before the next envelope.
    bool EndMessage() {
        m_buffer += '\n';
        ++m_current.count;
        if (m_buffer.size() >= kFlushAt)
            return FlushBuffer();
        return true;
    }

    // Appends the lines of `text` with LF ends, quoting those that would read as envelope lines.
    // With `findBody`, returns where the body begins in `out` (after the first empty line; the
    // end of `out` when there is none), counted from where the text began.
    static std::size_t AppendLines(std::string& out, std::string_view text, bool findBody) {
        const std::size_t start = out.size();
        std::size_t bodyAt = std::string::npos;
        std::size_t pos = 0;
        while (pos < text.size()) {
            const void* hit = std::memchr(text.data() + pos, '\n', text.size() - pos);
            const std::size_t lf =
                hit == nullptr
                    ? text.size()
                    : static_cast<std::size_t>(static_cast<const char*>(hit) - text.data());
            std::string_view line = text.substr(pos, lf - pos);
            if (hit != nullptr && !line.empty() && line.back() == '\r')
                line.remove_suffix(1);
            if (NeedsQuote(line))
                out += '>';
            out += line;
            out += '\n';
            pos = lf + 1;
            if (findBody && line.empty() && bodyAt == std::string::npos)
                bodyAt = out.size() - start;
        }
        return bodyAt == std::string::npos ? out.size() - start : bodyAt;
    }

    // Appends the written `header` (LF ends, its empty line included) with the value of every
    // Content-Length field (continuation lines included) replaced by `bodyBytes`.
    void AppendHeader(std::string_view header, std::size_t bodyBytes) {
        constexpr std::string_view kName = "Content-Length";
        bool replacing = false;
        std::size_t pos = 0;
        while (pos < header.size()) {
            const std::size_t lf = header.find('\n', pos);
            const std::size_t next = lf == std::string_view::npos ? header.size() : lf + 1;
            const std::string_view line = header.substr(pos, next - pos);
            pos = next;
            if (replacing && !line.empty() && IsBlank(line[0]))
                continue;
            replacing = false;
            std::size_t colon = kName.size();
            while (colon < line.size() && IsBlank(line[colon]))
                ++colon;
            if (StartsWithNoCase(line, kName) && colon < line.size() && line[colon] == ':') {
                m_buffer.append(line.substr(0, colon + 1));
                m_buffer += ' ';
                m_buffer += std::to_string(bodyBytes);
                m_buffer += '\n';
                replacing = true;
                continue;
            }
            m_buffer.append(line);
        }
    }

    bool FlushBuffer() {
        const bool ok = m_file.Write(m_buffer);
        m_buffer.clear();
        // The disk takes the bytes while the next are made, so the flush at the end waits little.
        m_file.StartFlush();
        if (!ok) {
            Abort();
            return Fail("Cannot write " + m_target);
        }
        return true;
    }

    std::string m_dest;
    std::int64_t m_exportTime;
    fs::File m_file;
    std::string m_target;
    std::string m_temp;
    std::string m_buffer;
    std::string m_body; // a message whose header is rewritten, before it joins m_buffer
    WrittenFolder m_current;
};

} // namespace

std::unique_ptr<CWriter> MakeMboxWriter(const std::string& dest, std::int64_t exportTime) {
    return std::make_unique<CMboxWriter>(dest, exportTime);
}

} // namespace qb::interchange
