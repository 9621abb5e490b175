// The Backup dialog (one folder with its messages and sub-folders into an archive file) and the
// Restore dialog (an archive file into the root of a chosen mailbox).
#pragma once

#include "app/document.h"

#include <QDialog>

#include <functional>
#include <optional>
#include <string>

class QLineEdit;
class QPushButton;
class QTreeView;
class QTreeWidget;

namespace qb {

class CMails;
class FolderTreeModel;

class BackupDialog : public QDialog {
    Q_OBJECT
  public:
    // `run` writes the backup of a folder (null when none is selected) into a file.
    BackupDialog(const MailboxList& mailboxes,
                 std::function<DialogResult(CMails*, const std::string&)> run,
                 QWidget* parent = nullptr);

    QTreeView* Tree() const { return m_tree; }
    FolderTreeModel* TreeModel() const { return m_model; }
    QLineEdit* FileEdit() const { return m_file; }
    QPushButton* BrowseButton() const { return m_browse; }
    QPushButton* BackupButton() const { return m_backup; }
    QPushButton* HelpButton() const { return m_help; }
    CMails* SelectedFolder() const;

    // The save chooser; tests replace it.
    std::function<std::optional<QString>(QWidget*)> chooseFile;

    void accept() override;

  private:
    std::function<DialogResult(CMails*, const std::string&)> m_run;
    FolderTreeModel* m_model;
    QTreeView* m_tree;
    QLineEdit* m_file;
    QPushButton* m_browse;
    QPushButton* m_backup;
    QPushButton* m_help;
};

class RestoreDialog : public QDialog {
    Q_OBJECT
  public:
    // `run` restores a file into a mailbox root (null when no row is selected).
    RestoreDialog(const MailboxList& mailboxes,
                  std::function<DialogResult(const std::string&, CMails*)> run,
                  QWidget* parent = nullptr);

    QLineEdit* FileEdit() const { return m_file; }
    QTreeWidget* List() const { return m_list; }
    QPushButton* BrowseButton() const { return m_browse; }
    QPushButton* OkButton() const { return m_ok; }
    QPushButton* HelpButton() const { return m_help; }
    CMails* SelectedRoot() const;

    // The open chooser; tests replace it.
    std::function<std::optional<QString>(QWidget*)> chooseFile;

    void accept() override;

  private:
    std::function<DialogResult(const std::string&, CMails*)> m_run;
    QLineEdit* m_file;
    QTreeWidget* m_list;
    QPushButton* m_browse;
    QPushButton* m_ok;
    QPushButton* m_help;
};

} // namespace qb
