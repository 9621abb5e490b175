// Fixtures for the desktop program's tests: settings kept in memory, folders that re-read
// their messages from texts given by the test, and small stores of both formats on disk.
#pragma once

#include "model/mails.h"
#include "model/message.h"
#include "support/settings_store.h"

#include <memory>
#include <string>
#include <utility>
#include <vector>

namespace qb::test {

// One message as the test describes it.
struct MessageSpec {
    std::string subject;
    std::string from;
    std::string to;
    std::string date;
    std::vector<std::string> body;
};

// The message's header lines: those of its fields that are not empty.
inline std::vector<std::string> HeaderLines(const MessageSpec& m) {
    const std::pair<const char*, std::string> fields[] = {
        {"Subject: ", m.subject}, {"From: ", m.from}, {"To: ", m.to}, {"Date: ", m.date}};
    std::vector<std::string> lines;
    for (const auto& [name, value] : fields) {
        if (!value.empty())
            lines.push_back(name + value);
    }
    return lines;
}

// The header text as a Netscape folder lists it (separator line first).
inline std::string HeaderText(const MessageSpec& m) {
    std::string header = "From - Mon Jan 01 10:00:00 2001\r\n";
    for (const std::string& line : HeaderLines(m))
        header += line + "\r\n";
    return header;
}

// A folder whose messages come back fresh from `specs` on every load, as from a store, and
// which counts how often its records were freed.
class MemoryFolder : public CMails {
  public:
    MemoryFolder(std::string name, std::string path) : CMails(std::move(name), std::move(path)) {
        m_bFoldersPending = false;
    }
    bool LoadMessages() override {
        FreeMessages();
        for (size_t i = 0; i < specs.size(); ++i) {
            auto message = std::make_unique<CMessage>(static_cast<std::int32_t>(i), 0, this,
                                                      HeaderText(specs[i]), "");
            m_pMessages.push_back(std::move(message));
        }
        ++loads;
        return true;
    }
    bool ReadMessage(CMessage& message) override {
        if (message.m_nIndex < 0 || static_cast<size_t>(message.m_nIndex) >= specs.size())
            return false;
        message.m_aBody = specs[static_cast<size_t>(message.m_nIndex)].body;
        return true;
    }
    MemoryFolder* Add(const std::string& name) {
        auto child = std::make_unique<MemoryFolder>(name, m_strPath + "/" + name);
        MemoryFolder* added = child.get();
        // AddChild puts the new folder first; keep the order of the calls.
        if (CTreeNode* last = m_pFirstChild) {
            while (last->m_pNext != nullptr)
                last = last->m_pNext;
            last->m_pNext = child.release();
            added->m_pPrev = last;
        } else {
            AddChild(std::move(child));
        }
        return added;
    }

    std::vector<MessageSpec> specs;
    int loads = 0;
};

// A Netscape folder file holding `messages`.
std::string NetscapeFolderBytes(const std::vector<MessageSpec>& messages);
// A Netscape mail directory at `dir`: Inbox (with sub-folder Old), Sent.
void WriteNetscapeStore(const std::string& dir, const std::vector<MessageSpec>& inbox);
// An Internet Mail store at `dir` with a folder Inbox holding `messages`, written by the store.
bool WriteInternetMailStore(const std::string& dir, const std::vector<MessageSpec>& messages);

} // namespace qb::test
