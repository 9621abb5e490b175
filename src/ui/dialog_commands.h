// The commands that run dialogs of their own: Compact, Backup, Restore, Export, Import, New
// MailBox and Locate.
// Each dialog works on the document; what follows its OK is the document's.
#pragma once

#include "app/command.h"

#include <functional>

class QDialog;

namespace qb {

class CMainFrame;
class CQuillboxDoc;
class RegistryFile;
class TransferDialog;

class DialogCommands {
  public:
    // `registry` may be null: then Locate only reloads the registered stores.
    DialogCommands(CMainFrame& frame, CQuillboxDoc& document, RegistryFile* registry);

    // Runs the dialog of command `id`; false for a command without one.
    bool Run(int id);

    // Shows a dialog modally and returns its result; tests replace it to drive the dialog.
    std::function<int(QDialog&)> execDialog;

  private:
    void Compact();
    void Backup();
    void Restore();
    void Export();
    void Import();
    // Runs a transfer dialog with the port's progress in its bar, then shows what was done.
    void RunTransfer(TransferDialog& dialog, const TransferReport& last);
    void NewMailbox();
    void Locate();
    int Exec(QDialog& dialog);

    CMainFrame& m_frame;
    CQuillboxDoc& m_doc;
    RegistryFile* m_registry;
};

} // namespace qb
