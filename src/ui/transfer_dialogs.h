// The Export dialog (the selected folder out to mboxrd files, a Maildir or .eml files) and the
// Import dialog (an mbox file, a Maildir or a directory of .eml files into the selected folder).
// Each shows the document's progress in a bar of its own; while the command runs, Cancel asks it
// to stop.
#pragma once

#include "app/document.h"

#include <QDialog>

#include <functional>
#include <memory>
#include <optional>
#include <string>

class QCheckBox;
class QComboBox;
class QHBoxLayout;
class QLineEdit;
class QProgressBar;
class QPushButton;
class QVBoxLayout;

namespace qb {

// The bar and the Cancel button of a running transfer, as the document's progress sink.
class TransferProgress {
  public:
    explicit TransferProgress(QProgressBar* bar) : m_bar(bar) {}
    std::unique_ptr<ProgressSink> Begin();
    bool Running() const { return m_running; }
    void RequestStop() { m_stop = true; }

  private:
    class Sink;
    QProgressBar* m_bar;
    bool m_running = false;
    bool m_stop = false;
};

class TransferDialog : public QDialog {
    Q_OBJECT
  public:
    QLineEdit* PathEdit() const { return m_path; }
    QPushButton* BrowseButton() const { return m_browse; }
    QPushButton* RunButton() const { return m_run; }
    QPushButton* CancelButton() const { return m_cancel; }
    QProgressBar* Bar() const { return m_bar; }
    // The document's progress while the command runs; DialogCommands hands it to the port.
    TransferProgress& Progress() { return *m_progress; }
    // The chooser behind "..."; tests replace it.
    std::function<std::optional<QString>(QWidget*)> choosePath;

    void reject() override;

  protected:
    TransferDialog(const QString& title, const QString& pathTitle, const QString& runText,
                   QWidget* parent);
    // Adds the options between the path and the bar.
    void AddOption(QWidget* option);
    // Runs the command with the typed path; the dialog closes when it says so.
    void Finish(const std::string& path, const std::function<TransferReport()>& run);

    QLineEdit* m_path;
    QPushButton* m_browse;
    QHBoxLayout* m_pathLayout;
    QPushButton* m_run;
    QPushButton* m_cancel;
    QProgressBar* m_bar;

  private:
    std::unique_ptr<TransferProgress> m_progress;
    QVBoxLayout* m_options;
};

class ExportDialog : public TransferDialog {
    Q_OBJECT
  public:
    // `run` exports the folder chosen in the main window (the caption names it).
    ExportDialog(const std::string& folderName,
                 std::function<TransferReport(const std::string&, const ExportOptions&)> run,
                 QWidget* parent = nullptr);

    QComboBox* FormatBox() const { return m_format; }
    QCheckBox* SubFoldersBox() const { return m_subFolders; }
    QCheckBox* DeletedBox() const { return m_deleted; }

    void accept() override;

  private:
    std::function<TransferReport(const std::string&, const ExportOptions&)> m_runExport;
    QComboBox* m_format;
    QCheckBox* m_subFolders;
    QCheckBox* m_deleted;
};

class ImportDialog : public TransferDialog {
    Q_OBJECT
  public:
    // `run` imports into the folder chosen in the main window (the caption names it).
    ImportDialog(const std::string& folderName,
                 std::function<TransferReport(const std::string&, const ImportOptions&)> run,
                 QWidget* parent = nullptr);

    QCheckBox* MboxrdBox() const { return m_mboxrd; }
    // "Directory...": a Maildir or a directory of .eml files; "..." chooses an mbox file.
    QPushButton* DirectoryButton() const { return m_directory; }
    // The chooser behind "Directory..."; tests replace it.
    std::function<std::optional<QString>(QWidget*)> chooseDirectory;

    void accept() override;

  private:
    std::function<TransferReport(const std::string&, const ImportOptions&)> m_runImport;
    QCheckBox* m_mboxrd;
    QPushButton* m_directory;
};

} // namespace qb
