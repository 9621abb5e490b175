// Asks for the name and directory of a new mailbox; "Create Dir" makes the directory at once.
#pragma once

#include "app/new_mailbox.h"

#include <QDialog>

#include <functional>
#include <optional>
#include <string>

class QLineEdit;
class QPushButton;

namespace qb {

class Port;

class NewMailboxDialog : public QDialog {
    Q_OBJECT
  public:
    // `port` shows the refusals and asks the question; `lookups` finds the names and directories
    // already in use.
    NewMailboxDialog(Port& port, NewMailboxLookups lookups, QWidget* parent = nullptr);

    // Valid after OK.
    const std::string& Name() const { return m_input.name; }
    const std::string& Directory() const { return m_input.directory; }

    QLineEdit* NameEdit() const { return m_name; }
    QLineEdit* DirectoryEdit() const { return m_directory; }
    QPushButton* BrowseButton() const { return m_browse; }
    QPushButton* CreateDirButton() const { return m_createDir; }
    QPushButton* OkButton() const { return m_ok; }
    QPushButton* HelpButton() const { return m_help; }

    // The folder browser; tests replace it.
    std::function<std::optional<QString>(QWidget*)> browse;

    void accept() override;

  private:
    void Browse();
    void CreateDir();
    // Shows a refusal and puts the focus where the user corrects it.
    void Refuse(const std::string& message, DialogField focus);
    bool ReadControls();

    Port& m_port;
    NewMailboxLookups m_lookups;
    NewMailboxInput m_input;
    QLineEdit* m_name;
    QLineEdit* m_directory;
    QPushButton* m_browse;
    QPushButton* m_createDir;
    QPushButton* m_ok;
    QPushButton* m_help;
};

} // namespace qb
