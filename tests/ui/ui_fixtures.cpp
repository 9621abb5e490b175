#include "ui_fixtures.h"

#include "app/store_address.h"
#include "support/bytes.h"
#include "support/temp_dir.h"

#include <filesystem>

namespace qb::test {

std::string NetscapeFolderBytes(const std::vector<MessageSpec>& messages) {
    std::string bytes;
    for (const MessageSpec& m : messages)
        bytes += NsMessageText(HeaderLines(m), m.body);
    return bytes;
}

void WriteNetscapeStore(const std::string& dir, const std::vector<MessageSpec>& inbox) {
    std::filesystem::create_directories(dir + "/Inbox.sbd");
    WriteFile(dir + "/Inbox", NetscapeFolderBytes(inbox));
    WriteFile(dir + "/Inbox.sbd/Old", NetscapeFolderBytes({{"Old one", "a@x", "b@y", "d", {"x"}}}));
    WriteFile(dir + "/Sent", "");
}

bool WriteInternetMailStore(const std::string& dir, const std::vector<MessageSpec>& messages) {
    std::filesystem::create_directories(dir);
    const std::unique_ptr<MailboxEntry> store = OpenStore({"IM", dir, kTypeInternetMail});
    CMails* inbox = store->m_pRoot->CreateFolder("Inbox");
    if (inbox == nullptr)
        return false;
    MemoryFolder source("source", "source");
    source.specs = messages;
    bool written = true;
    for (auto& message : source.GetMessages()) {
        message->GetText(); // reads the body so that it is copied along
        written = written && inbox->AddMessage(*message);
    }
    return written;
}

} // namespace qb::test
