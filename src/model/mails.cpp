#include "model/mails.h"

#include "platform/paths.h"

#include <algorithm>
#include <utility>

namespace qb {

CMails::CMails(std::string name, std::string path, std::int16_t type)
    : CTreeNode(std::move(name), std::move(path)), m_nType(type) {}

CMails::~CMails() = default;

bool CMails::LoadFolders() {
    return true;
}
bool CMails::LoadMessages() {
    return true;
}
bool CMails::LoadMessagesWithDeleted() {
    return LoadMessages();
}
bool CMails::ReadMessage(CMessage&) {
    return true;
}
bool CMails::ReadBodies(const std::vector<CMessage*>& messages, const BodyVisitor& each) {
    std::string bytes;
    for (CMessage* message : messages) {
        const bool hadLines = !message->m_aBody.empty();
        const bool read = ReadMessage(*message);
        bytes.clear();
        if (read) {
            for (const std::string& line : message->m_aBody) {
                bytes += line;
                bytes += "\r\n";
            }
        }
        if (!hadLines)
            std::vector<std::string>().swap(message->m_aBody);
        if (!each(*message, read ? &bytes : nullptr))
            return false;
    }
    return true;
}
bool CMails::Compact() {
    return true;
}
bool CMails::Rename(const std::string&, bool) {
    return true;
}

bool CMails::AddMessage(CMessage& source) {
    auto copy = std::make_unique<CMessage>(static_cast<std::int32_t>(m_pMessages.size()), 0, this,
                                           source.m_strHeader, source.m_strText);
    copy->m_nSize = source.m_nSize;
    copy->m_nBodySize = source.m_nBodySize;
    copy->m_nLines = source.m_nLines;
    copy->m_nBodyLines = source.m_nBodyLines;
    copy->m_aBody = source.m_aBody;
    m_pMessages.push_back(std::move(copy));
    return true;
}

CMails* CMails::CreateFolder(const std::string& name) {
    return AddSubFolder(std::make_unique<CMails>(name, JoinPath(m_strPath, name), kPlain));
}

CMails* CMails::CopyFolder(CMails& source) {
    auto copy = std::make_unique<CMails>(source.m_strName, source.m_strPath, kPlain);
    copy->m_nFlags = source.m_nFlags;
    copy->m_wHeader1 = source.m_wHeader1;
    copy->m_wHeader2 = source.m_wHeader2;
    copy->m_nHeader3 = source.m_nHeader3;
    copy->m_nType = source.m_nType;
    copy->m_bFoldersPending = source.m_bFoldersPending;
    source.ForEachListed([&copy](CMessage& message) { return copy->AddMessage(message); });
    for (CMails* child : source.Children())
        copy->CopyFolder(*child);
    return AddSubFolder(std::move(copy));
}

bool CMails::AddMessages(const std::vector<CMessage*>& messages, std::vector<bool>& added) {
    added.assign(messages.size(), false);
    bool all = true;
    for (std::size_t i = 0; i < messages.size(); ++i) {
        added[i] = messages[i] != nullptr && AddMessage(*messages[i]);
        all = all && added[i];
    }
    return all;
}

bool CMails::RemoveMessages(const std::vector<CMessage*>& messages) {
    bool all = true;
    for (CMessage* message : messages)
        all = RemoveMessage(message) && all;
    return all;
}

bool CMails::UndeleteMessages(const std::vector<CMessage*>& messages) {
    // The plain folder keeps no mark: its messages are live.
    for (CMessage* message : messages) {
        if (std::none_of(
                m_pMessages.begin(), m_pMessages.end(),
                [message](const std::unique_ptr<CMessage>& m) { return m.get() == message; }))
            return false;
    }
    for (CMessage* message : messages)
        message->m_bDeleted = false;
    return true;
}

bool CMails::ForEachMessage(bool, const MessageVisitor& visit) {
    for (auto& message : GetMessages()) {
        if (!ReadMessage(*message))
            return false;
        if (!visit(*message, false))
            break;
    }
    return true;
}

std::int64_t CMails::StoreBytes() const {
    return 0;
}

bool CMails::ForEachToCopy(const std::function<bool(CMessage&)>& take, std::size_t& given) {
    given = 0;
    return ForEachListed([&](CMessage& message) {
        ++given;
        return take(message);
    });
}

bool CMails::ForEachListed(const std::function<bool(CMessage&)>& take) {
    for (auto& message : m_pMessages) {
        if (!take(*message))
            return false;
    }
    return true;
}

bool CMails::CanHoldFolderName(const std::string&) const {
    return true;
}

bool CMails::HoldsSubFolders() const {
    return true;
}

std::vector<std::string> CMails::MessageFiles() const {
    return {};
}

bool CMails::OwnsFile(const std::string&) const {
    return false;
}

bool CMails::EraseMessage(const CMessage* message) {
    for (auto it = m_pMessages.begin(); it != m_pMessages.end(); ++it) {
        if (it->get() == message) {
            m_pMessages.erase(it);
            std::int32_t index = 0;
            for (auto& m : m_pMessages)
                m->m_nIndex = index++;
            return true;
        }
    }
    return false;
}

bool CMails::RemoveMessage(CMessage* message) {
    return EraseMessage(message);
}

bool CMails::DeleteFolder() {
    for (CMails* child : GetSubFolders()) {
        if (DeleteSubFolder(child) == nullptr)
            return false;
    }
    return true;
}

std::unique_ptr<CMails> CMails::DeleteSubFolder(CMails* child) {
    if (child == nullptr || child->GetParent() != this || !child->DeleteFolder())
        return nullptr;
    return std::unique_ptr<CMails>(static_cast<CMails*>(child->Unlink().release()));
}

void CMails::VisitListing(bool withDeleted, const ListingVisitor& visit) {
    for (const auto& message : withDeleted ? GetMessagesWithDeleted() : GetMessages()) {
        if (!visit(*message))
            break;
    }
}

MessageList& CMails::GetMessages() {
    LoadMessages();
    return m_pMessages;
}

MessageList& CMails::GetMessagesWithDeleted() {
    LoadMessagesWithDeleted();
    return m_pMessages;
}

bool CMails::CountDeletedMessages(std::uint64_t& count) {
    count = 0;
    // The listed records stay as they are: a front end may be showing them.
    MessageList listed = std::move(m_pMessages);
    m_pMessages.clear();
    const bool ok = LoadMessagesWithDeleted();
    if (ok) {
        for (const auto& m : m_pMessages)
            count += m->m_bDeleted ? 1 : 0;
    }
    m_pMessages = std::move(listed);
    return ok;
}

std::vector<CMails*> CMails::GetSubFolders() {
    if (m_bFoldersPending) {
        if (!LoadFolders())
            return {};
        m_bFoldersPending = false;
    }
    return Children();
}

std::vector<CMails*> CMails::Children() const {
    std::vector<CMails*> result;
    for (CTreeNode* node = m_pFirstChild; node != nullptr; node = node->m_pNext)
        result.push_back(static_cast<CMails*>(node));
    return result;
}

void CMails::FreeMessages() {
    m_pMessages.clear();
}

CMails* CMails::FindFolder(const std::string& path) {
    if (m_strPath == path)
        return this;
    for (CTreeNode* node = m_pFirstChild; node != nullptr; node = node->m_pNext) {
        if (CMails* hit = static_cast<CMails*>(node)->FindFolder(path))
            return hit;
    }
    return nullptr;
}

bool CMails::Contains(const CMails* folder) {
    return folder != nullptr && FindFolder(folder->m_strPath) != nullptr;
}

CMails* CMails::GetRoot() {
    CTreeNode* node = this;
    while (CTreeNode* parent = node->GetParent())
        node = parent;
    return static_cast<CMails*>(node);
}

} // namespace qb
