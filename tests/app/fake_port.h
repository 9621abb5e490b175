// A scripted stand-in for the front end: records every text shown, answers every question from a
// script (failing the test when a question comes that was not scripted) and keeps a model of the
// folder tree's items and the message list's rows, so that tests see what a user would see.
#pragma once

#include "app/port.h"
#include "model/mails.h"

#include <gtest/gtest.h>

#include <algorithm>
#include <cstdint>
#include <deque>
#include <map>
#include <memory>
#include <optional>
#include <string>
#include <vector>

namespace qb::test {

class FakePort : public Port {
  public:
    struct Shown {
        std::string text;
        Buttons buttons;
        Icon icon;
        std::string detail = {};
    };

    // ---- script ----
    void Answer(qb::Answer answer) { m_answers.push_back(answer); }
    void FolderName(std::optional<std::string> name) { m_names.push_back(std::move(name)); }
    bool ScriptUsed() const { return m_answers.empty() && m_names.empty(); }
    // The next long operation's sink asks to stop at its `step`-th Step (1-based); 0: never.
    void CancelAtStep(std::uint64_t step) { m_cancelAt = step; }

    // ---- Port ----
    qb::Answer Message(const std::string& text, Buttons buttons, Icon icon,
                       const std::string& detail) override {
        shown.push_back({text, buttons, icon, detail});
        if (buttons == Buttons::Ok)
            return qb::Answer::Ok;
        if (m_answers.empty()) {
            ADD_FAILURE() << "unscripted question: " << text;
            return qb::Answer::Cancel;
        }
        const qb::Answer answer = m_answers.front();
        m_answers.pop_front();
        return answer;
    }
    std::optional<std::string> AskFolderName() override {
        if (m_names.empty()) {
            ADD_FAILURE() << "unscripted folder-name dialog";
            return std::nullopt;
        }
        std::optional<std::string> name = m_names.front();
        m_names.pop_front();
        return name;
    }
    void ClearFolderTree() override {
        items.clear();
        order.clear();
        rows.clear();
        ++clears;
    }
    void InsertFolderItem(CMails* parent, CMails* folder) override {
        EXPECT_TRUE(parent == nullptr || items.count(parent) == 1)
            << "item inserted below a folder without an item";
        EXPECT_EQ(items.count(folder), 0u) << "second item for one folder";
        items[folder] = Item{parent, folder->m_strName};
        order.push_back(folder);
    }
    bool HasFolderItem(const CMails* folder) override {
        return items.count(const_cast<CMails*>(folder)) == 1;
    }
    void DeleteFolderItem(CMails* folder) override {
        EXPECT_EQ(items.count(folder), 1u) << "deleting an item that does not exist";
        // The item and every item below it go; the folders behind them are not looked at.
        std::vector<CMails*> doomed{folder};
        for (std::size_t i = 0; i < doomed.size(); ++i) {
            for (auto& [key, item] : items) {
                if (item.parent == doomed[i])
                    doomed.push_back(key);
            }
        }
        for (CMails* gone : doomed) {
            items.erase(gone);
            order.erase(std::remove(order.begin(), order.end(), gone), order.end());
        }
        ++deletedItems;
    }
    void SetFolderItemText(CMails* folder, const std::string& text) override {
        EXPECT_EQ(items.count(folder), 1u);
        items[folder].text = text;
    }
    void SelectFolderItem(CMails* folder, bool expand) override {
        EXPECT_EQ(items.count(folder), 1u) << "selecting a folder without an item";
        selected = folder;
        expanded = expand;
    }
    void FillMessageList() override { ++refills; }
    void FolderWarning(CMails* folder, const std::string& warning) override {
        warnings[folder] = warning;
    }
    void DeleteMessageRow(const CMessage* message) override { rows.push_back(message); }
    void MessageRowsChanged() override { ++rowRepaints; }
    void FolderMenusChanged() override { ++menuRebuilds; }
    void Progress(const std::string& status) override { statuses.push_back(status); }
    void SetWaitCursor(bool on) override {
        waitDepth += on ? 1 : -1;
        EXPECT_GE(waitDepth, 0);
    }
    std::unique_ptr<ProgressSink> BeginProgress(const std::string& title) override {
        progressTitles.push_back(title);
        const std::uint64_t cancelAt = m_cancelAt;
        m_cancelAt = 0;
        return std::make_unique<ScriptedProgress>(*this, cancelAt);
    }

    // ---- what the user saw ----
    std::vector<std::string> Texts() const {
        std::vector<std::string> texts;
        for (const Shown& s : shown)
            texts.push_back(s.text);
        return texts;
    }
    // Names of the items below `parent`'s item, in insertion order.
    std::vector<std::string> ItemsBelow(CMails* parent) const {
        std::vector<std::string> names;
        for (CMails* folder : order) {
            if (items.at(folder).parent == parent)
                names.push_back(items.at(folder).text);
        }
        return names;
    }
    CMails* ItemNamed(CMails* parent, const std::string& name) const {
        for (CMails* folder : order) {
            if (items.at(folder).parent == parent && items.at(folder).text == name)
                return folder;
        }
        return nullptr;
    }
    void ClearLog() {
        shown.clear();
        statuses.clear();
        rows.clear();
        refills = 0;
        rowRepaints = 0;
        menuRebuilds = 0;
    }

    struct Item {
        CMails* parent = nullptr;
        std::string text;
    };
    std::map<CMails*, Item> items;
    std::map<CMails*, std::string> warnings; // the last warning said of each folder
    std::vector<CMails*> order;
    std::vector<Shown> shown;
    std::vector<std::string> statuses;
    std::vector<const CMessage*> rows; // rows deleted, in order
    CMails* selected = nullptr;
    bool expanded = false;
    int refills = 0;
    int rowRepaints = 0;
    int menuRebuilds = 0;
    int clears = 0;
    int deletedItems = 0;
    int waitDepth = 0;
    std::vector<std::string> progressTitles;
    std::uint64_t progressSteps = 0; // Step calls over all operations

  private:
    // Counts the steps and, when scripted, answers "stop" from the given step on.
    class ScriptedProgress : public ProgressSink {
      public:
        ScriptedProgress(FakePort& port, std::uint64_t cancelAt)
            : m_port(port), m_cancelAt(cancelAt) {}
        bool Step(std::uint64_t, std::uint64_t, const std::string&) override {
            ++m_port.progressSteps;
            ++m_steps;
            return m_cancelAt == 0 || m_steps < m_cancelAt;
        }

      private:
        FakePort& m_port;
        std::uint64_t m_cancelAt;
        std::uint64_t m_steps = 0;
    };

    std::uint64_t m_cancelAt = 0;
    std::deque<qb::Answer> m_answers;
    std::deque<std::optional<std::string>> m_names;
};

} // namespace qb::test
