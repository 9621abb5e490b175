// A document over in-memory folders whose store operations can be told to fail, with the
// scripted port, for the command tests.
#pragma once

#include "app/document.h"
#include "fake_port.h"
#include "model/mails.h"
#include "model/message.h"
#include "support/messages.h"

#include <gtest/gtest.h>

#include <algorithm>
#include <cctype>
#include <memory>
#include <set>
#include <string>

namespace qb::test {

// A plain folder whose operations fail on request; the failures are set on the folder that
// performs the operation (the destination of a copy, the folder removed, ...).
class TestFolder : public CMails {
  public:
    TestFolder(std::string name, std::string path, std::int16_t type = kPlain)
        : CMails(std::move(name), std::move(path), type) {}

    CMails* CreateFolder(const std::string& name) override {
        if (failCreate)
            return nullptr;
        return AddSubFolder(std::make_unique<TestFolder>(name, m_strPath + "/" + name, m_nType));
    }
    // Copies like the plain folder, merging into a child of the same name (case ignored) as the
    // stores do; a one-level store (type 1) copies the messages only.
    CMails* CopyFolder(CMails& source) override {
        ++copies;
        if (failCopy)
            return nullptr;
        CMails* target = nullptr;
        for (CMails* child : Children()) {
            if (child->m_strName.size() == source.m_strName.size() &&
                std::equal(child->m_strName.begin(), child->m_strName.end(),
                           source.m_strName.begin(),
                           [](char a, char b) { return std::tolower(a) == std::tolower(b); }))
                target = child;
        }
        if (target == nullptr) {
            target = AddSubFolder(std::make_unique<TestFolder>(
                source.m_strName, m_strPath + "/" + source.m_strName, m_nType));
        }
        if (!copyDropsMessages)
            source.ForEachListed(
                [target](CMessage& message) { return target->AddMessage(message); });
        if (m_nType != kInternetMail) {
            for (CMails* child : source.Children())
                target->CopyFolder(*child);
        }
        return target;
    }
    bool AddMessage(CMessage& source) override {
        if (failAdd.count(SubjectOf(source)) != 0)
            return false;
        return CMails::AddMessage(source);
    }
    bool RemoveMessage(CMessage* message) override {
        ++removals;
        return !failRemove && CMails::RemoveMessage(message);
    }
    bool UndeleteMessages(const std::vector<CMessage*>& messages) override {
        undeleted.insert(undeleted.end(), messages.begin(), messages.end());
        return !failUndelete && CMails::UndeleteMessages(messages);
    }
    // Type 1 stands for a store whose folders do not nest.
    bool HoldsSubFolders() const override { return m_nType != kInternetMail; }
    bool DeleteFolder() override {
        if (failDelete)
            return false;
        return CMails::DeleteFolder();
    }
    bool Compact() override {
        compactOrder().push_back(m_strName);
        return !failCompact;
    }
    bool Rename(const std::string& text, bool parentMoved) override {
        if (failRename)
            return false;
        if (!parentMoved)
            m_strName = text;
        return true;
    }

    static std::vector<std::string>& compactOrder() {
        static std::vector<std::string> order;
        return order;
    }

    bool failCreate = false;
    bool failCopy = false;
    bool failDelete = false;
    bool failCompact = false;
    bool failRename = false;
    bool failUndelete = false;
    bool failRemove = false;        // messages are kept (a store that cannot mark them)
    bool copyDropsMessages = false; // a copy reported as made that holds no messages
    std::set<std::string> failAdd;  // subjects of messages this folder refuses
    int copies = 0;
    int removals = 0;
    std::vector<CMessage*> undeleted; // every message given to UndeleteMessages
};

inline TestFolder* Sub(CMails* parent, const std::string& name) {
    return static_cast<TestFolder*>(static_cast<TestFolder*>(parent)->CreateFolder(name));
}

inline CMessage* AddMail(CMails* folder, const std::string& subject) {
    folder->CMails::AddMessage(
        *MakeMessage("Subject: " + subject + "\r\nFrom: a@b\r\n\r\n", {"body of " + subject}));
    return folder->m_pMessages.back().get();
}

class DocTest : public ::testing::Test {
  protected:
    // A mailbox whose root is a TestFolder, with its tree as built so far shown in the tree.
    TestFolder* AddMailbox(const std::string& name, std::int16_t type = CMails::kPlain) {
        auto entry = std::make_unique<MailboxEntry>(name, "/stores/" + name, "test");
        auto root = std::make_unique<TestFolder>(name, "/stores/" + name, type);
        TestFolder* added = root.get();
        entry->m_pRoot = std::move(root);
        m_pending.push_back(std::move(entry));
        return added;
    }
    // Hands the mailboxes made so far to the document (after their folders were built).
    void Open() {
        for (auto& entry : m_pending)
            doc.AddMailbox(std::move(entry));
        m_pending.clear();
        doc.RebuildFolderMenus();
        port.ClearLog();
    }
    Selection Tree(CMails* folder) { return {folder, ActivePane::Tree, {}}; }
    Selection List(CMails* folder, std::vector<CMessage*> messages) {
        return {folder, ActivePane::List, std::move(messages)};
    }

    FakePort port;
    CQuillboxDoc doc{port, nullptr};

  private:
    std::vector<std::unique_ptr<MailboxEntry>> m_pending;
};

} // namespace qb::test
