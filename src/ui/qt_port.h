// The document's port carried out with widgets: message boxes captioned "Quillbox", the
// folder-name dialog, updates of the tree and the list, the folder menus, status text and the
// wait cursor.
#pragma once

#include "app/port.h"

#include <functional>
#include <memory>

namespace qb {

class CMainFrame;

class QtPort : public Port {
  public:
    explicit QtPort(CMainFrame& frame);
    ~QtPort() override;

    // The detail shows as the box's informative text.
    Answer Message(const std::string& text, Buttons buttons = Buttons::Ok, Icon icon = Icon::None,
                   const std::string& detail = {}) override;
    std::optional<std::string> AskFolderName() override;
    void ClearFolderTree() override;
    void InsertFolderItem(CMails* parent, CMails* folder) override;
    bool HasFolderItem(const CMails* folder) override;
    void DeleteFolderItem(CMails* folder) override;
    void SetFolderItemText(CMails* folder, const std::string& text) override;
    void SelectFolderItem(CMails* folder, bool expand) override;
    void FolderWarning(CMails* folder, const std::string& warning) override;
    void FillMessageList() override;
    void DeleteMessageRow(const CMessage* message) override;
    void MessageRowsChanged() override;
    void FolderMenusChanged() override;
    void Progress(const std::string& status) override;
    void SetWaitCursor(bool on) override;
    // A progress dialog with Cancel, shown once the operation has run progressShowAfter ms
    // (unless a dialog running the operation shows its progress itself).
    std::unique_ptr<ProgressSink> BeginProgress(const std::string& title) override;
    int progressShowAfter = 500;

    // Tests answer message boxes and the folder-name dialog through these instead of widgets.
    std::function<Answer(const std::string&, Buttons, Icon)> answerMessage;
    std::function<std::optional<std::string>()> answerFolderName;

  private:
    CMainFrame& m_frame;
    int m_waitDepth = 0;
};

} // namespace qb
