// The application port for a terminal: message boxes become lines on standard error, questions
// are answered from the command line's options, and the progress of long operations is one
// updating line on standard error when that is a terminal.
#pragma once

#include "app/port.h"

#include <map>
#include <memory>
#include <optional>
#include <string>

namespace qb::cli {

class TerminalPort : public Port {
  public:
    TerminalPort();
    ~TerminalPort() override;

    // The answer to the same-name question (Yes/No/Cancel); No unless set.
    Answer sameNameAnswer = Answer::No;
    // The answer to a Yes/No question; No unless set.
    Answer yesNoAnswer = Answer::No;
    // What the folder-name dialog returns; nullopt cancels it.
    std::optional<std::string> folderName;

    // Texts shown so far (message boxes of every kind), newest last.
    const std::string& LastMessage() const { return m_lastMessage; }

    // A message box: its text as one line on standard error, then its detail (when any) as
    // another.
    Answer Message(const std::string& text, Buttons buttons, Icon icon,
                   const std::string& detail) override;
    std::optional<std::string> AskFolderName() override { return folderName; }

    void ClearFolderTree() override { m_items.clear(); }
    void InsertFolderItem(CMails* parent, CMails* folder) override;
    bool HasFolderItem(const CMails* folder) override { return m_items.count(folder) != 0; }
    void DeleteFolderItem(CMails* folder) override;
    void SetFolderItemText(CMails*, const std::string&) override {}
    void SelectFolderItem(CMails*, bool) override {}

    void FillMessageList() override {}
    void DeleteMessageRow(const CMessage*) override {}

    void FolderMenusChanged() override {}
    void Progress(const std::string& status) override;
    void SetWaitCursor(bool) override {}
    // A one-line meter on standard error when that is a terminal. An interrupt while it runs
    // stops the operation at its next step.
    std::unique_ptr<ProgressSink> BeginProgress(const std::string& title) override;
    // Whether an interrupt stopped an operation.
    static bool Interrupted();

    // Ends an open progress line so that the next text starts on a line of its own.
    void EndProgress();

  private:
    bool IsBelow(const CMails* item, const CMails* folder) const;

    // The folders that have an item, each with the folder of its parent item (null on top).
    std::map<const CMails*, const CMails*> m_items;
    std::string m_lastMessage;
    bool m_progressShown = false;
    bool m_terminal = false;
};

} // namespace qb::cli
