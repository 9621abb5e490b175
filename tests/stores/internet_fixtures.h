// Small builders for Internet Mail store fixtures: message files and index files written byte by
// byte in the tests, and helpers to list what a folder holds.
#pragma once

#include "model/mails.h"
#include "model/message.h"
#include "platform/binary.h"
#include "stores/internet_mails.h"
#include "support/temp_dir.h"

#include <algorithm>
#include <filesystem>
#include <memory>
#include <set>
#include <string>
#include <vector>

namespace qb::test {

inline std::string Le32(std::uint32_t v) {
    std::string out;
    AppendLE32(out, v);
    return out;
}

inline std::string Le16(std::uint16_t v) {
    std::string out;
    AppendLE16(out, v);
    return out;
}

inline std::uint32_t WordAt(const std::string& bytes, std::size_t offset) {
    return GetLE32(reinterpret_cast<const unsigned char*>(bytes.data()) + offset);
}

// The text of a message record: header lines, an empty line, body lines, each with CR LF.
inline std::string MessageText(const std::string& subject, const std::vector<std::string>& body) {
    std::string text = "Subject: " + subject + "\r\nFrom: a@b\r\nTo: c@d\r\n\r\n";
    for (const std::string& line : body)
        text += line + "\r\n";
    return text;
}

inline std::string MbxRecord(std::uint32_t id, const std::string& text) {
    return std::string("\0\x7f\0\x7f", 4) + Le32(id) +
           Le32(static_cast<std::uint32_t>(16 + text.size())) +
           Le32(static_cast<std::uint32_t>(text.size())) + text;
}

// A message file holding the records, with header words as a new file has them.
inline std::string MbxFile(const std::vector<std::string>& records, std::uint32_t lastId,
                           std::uint32_t count = 0xFFFFFFFF) {
    std::string body;
    for (const std::string& r : records)
        body += r;
    if (count == 0xFFFFFFFF)
        count = static_cast<std::uint32_t>(records.size());
    return std::string("JMF6", 4) + Le32(0x00010003) + Le32(count) + Le32(lastId) +
           Le32(static_cast<std::uint32_t>(84 + body.size())) + Le32(1) + std::string(60, '\0') +
           body;
}

// An in-memory message (no owning folder) with the given header lines and body lines.
inline std::unique_ptr<CMessage> MakeMessage(const std::string& header,
                                             const std::vector<std::string>& body) {
    auto m = std::make_unique<CMessage>(0, 0, nullptr, header, "");
    m->m_aBody = body;
    m->m_nBodyLines = static_cast<std::int32_t>(body.size());
    return m;
}

inline std::unique_ptr<CMessage> SimpleMessage(const std::string& subject,
                                               const std::vector<std::string>& body = {"x"}) {
    return MakeMessage("Subject: " + subject + "\r\nFrom: a@b\r\nTo: c@d\r\n", body);
}

// The store root node over a directory and its folder node `name`.
struct Store {
    explicit Store(const std::string& dir) : root("Mail", dir) {}
    CInternetMails* Folder(const std::string& name) {
        return root.AddSubFolder(
            std::make_unique<CInternetMails>(name, root.m_strPath + "/" + name));
    }
    CInternetMails root;
};

// The subjects of the messages a folder lists, with their bodies, read afresh.
inline std::multiset<std::string> Live(CInternetMails& folder) {
    std::multiset<std::string> out;
    for (auto& m : folder.GetMessages()) {
        std::string item = m->GetHeaderField("Subject: ");
        if (folder.ReadMessage(*m)) {
            for (const std::string& line : m->m_aBody)
                item += "|" + line;
        } else {
            item += "|<unreadable>";
        }
        out.insert(item);
    }
    return out;
}

inline std::vector<std::string> DirNames(const std::string& dir) {
    std::vector<std::string> out;
    for (const auto& e : std::filesystem::directory_iterator(dir))
        out.push_back(e.path().filename().string());
    std::sort(out.begin(), out.end());
    return out;
}

inline bool HasTemporary(const std::string& dir) {
    for (const std::string& name : DirNames(dir)) {
        if (name.rfind(".qbtmp-", 0) == 0)
            return true;
    }
    return false;
}

} // namespace qb::test
