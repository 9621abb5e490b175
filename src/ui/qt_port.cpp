#include "ui/qt_port.h"

#include "app/document.h"
#include "model/mails.h"
#include "ui/folder_name_dialog.h"
#include "ui/folder_tree_view.h"
#include "ui/mail_list_view.h"
#include "ui/main_frame.h"
#include "ui/message_list_model.h"
#include "ui/text_codec.h"

#include <QApplication>
#include <QElapsedTimer>
#include <QMessageBox>
#include <QProgressDialog>
#include <QStatusBar>

#include <algorithm>
#include <limits>

namespace qb {

QtPort::QtPort(CMainFrame& frame) : m_frame(frame) {
    m_frame.showMessage = [this](const std::string& text) { Message(text); };
}

QtPort::~QtPort() {
    m_frame.showMessage = nullptr;
    while (m_waitDepth > 0)
        SetWaitCursor(false);
}

Answer QtPort::Message(const std::string& text, Buttons buttons, Icon icon,
                       const std::string& detail) {
    if (answerMessage)
        return answerMessage(text, buttons, icon);
    QMessageBox box(&m_frame);
    box.setWindowTitle(QString::fromLatin1(kMessageCaption));
    box.setText(FromStoreText(text));
    // The informative text shows at once, below the text (a detailed text would need a click).
    if (!detail.empty())
        box.setInformativeText(FromStoreText(detail));
    switch (icon) {
    case Icon::Information:
        box.setIcon(QMessageBox::Information);
        break;
    case Icon::Warning:
        box.setIcon(QMessageBox::Warning);
        break;
    case Icon::Stop:
        box.setIcon(QMessageBox::Critical);
        break;
    case Icon::Question:
        box.setIcon(QMessageBox::Question);
        break;
    case Icon::None:
        break;
    }
    switch (buttons) {
    case Buttons::Ok:
        box.setStandardButtons(QMessageBox::Ok);
        break;
    case Buttons::OkCancel:
        box.setStandardButtons(QMessageBox::Ok | QMessageBox::Cancel);
        break;
    case Buttons::YesNo:
        box.setStandardButtons(QMessageBox::Yes | QMessageBox::No);
        break;
    case Buttons::YesNoCancel:
        box.setStandardButtons(QMessageBox::Yes | QMessageBox::No | QMessageBox::Cancel);
        break;
    }
    // A question during a long operation needs the ordinary cursor.
    int depth = m_waitDepth;
    for (int i = 0; i < depth; ++i)
        QApplication::restoreOverrideCursor();
    int pressed = box.exec();
    for (int i = 0; i < depth; ++i)
        QApplication::setOverrideCursor(Qt::WaitCursor);
    switch (pressed) {
    case QMessageBox::Yes:
        return Answer::Yes;
    case QMessageBox::No:
        return Answer::No;
    case QMessageBox::Cancel:
        return Answer::Cancel;
    case QMessageBox::Ok:
        return Answer::Ok;
    default:
        // Closing the box by Escape or its close button counts as its cancelling button.
        if (buttons == Buttons::YesNo)
            return Answer::No;
        return buttons == Buttons::Ok ? Answer::Ok : Answer::Cancel;
    }
}

std::optional<std::string> QtPort::AskFolderName() {
    if (answerFolderName)
        return answerFolderName();
    FolderNameDialog dialog(&m_frame);
    dialog.onRefusal = [this](const std::string& text) { Message(text); };
    if (dialog.exec() != QDialog::Accepted)
        return std::nullopt;
    return dialog.Name();
}

void QtPort::ClearFolderTree() {
    m_frame.TreeView()->DeleteAllItems();
}

void QtPort::InsertFolderItem(CMails* parent, CMails* folder) {
    m_frame.TreeView()->InsertFolderItem(parent, folder);
}

bool QtPort::HasFolderItem(const CMails* folder) {
    return m_frame.TreeView()->FindFolderItem(folder).isValid();
}

void QtPort::DeleteFolderItem(CMails* folder) {
    m_frame.TreeView()->DeleteFolderItem(folder);
}

void QtPort::FolderWarning(CMails* folder, const std::string& warning) {
    m_frame.TreeView()->SetFolderWarning(folder, warning);
    if (!warning.empty())
        m_frame.ShowStatus(FromStoreText(folder->m_strName + ": " + warning));
}

void QtPort::SetFolderItemText(CMails* folder, const std::string& text) {
    m_frame.TreeView()->SetFolderText(folder, text);
}

void QtPort::SelectFolderItem(CMails* folder, bool expand) {
    m_frame.TreeView()->SelectFolder(folder, expand);
}

void QtPort::FillMessageList() {
    m_frame.TreeView()->FillMessageList();
}

void QtPort::DeleteMessageRow(const CMessage* message) {
    m_frame.ListView()->DeleteMessageRow(message);
}

void QtPort::MessageRowsChanged() {
    m_frame.ListView()->RowsChanged();
}

void QtPort::FolderMenusChanged() {
    m_frame.RebuildFolderMenus();
}

void QtPort::Progress(const std::string& status) {
    m_frame.ShowStatus(FromStoreText(status));
    m_frame.statusBar()->repaint();
}

namespace {

// A long operation's progress dialog: shown once the operation has run half a second, drawn again
// and the window kept responsive about twenty times a second, with Cancel.
class DialogProgress : public ProgressSink {
  public:
    // `frozen` is not drawn, and its model reads no record, while the operation runs: its rows
    // may name messages that the operation frees and lists again, and the view lays its rows out
    // (asking their cells) whenever the window's events are processed.
    DialogProgress(QWidget* parent, CMailListView* frozen, const QString& title, int showAfter)
        : m_dialog(title, QObject::tr("Cancel"), 0, 0, parent), m_frozen(frozen),
          m_wasDrawn(frozen->updatesEnabled()), m_wasFrozen(frozen->Model()->Frozen()),
          m_showAfter(showAfter) {
        m_frozen->setUpdatesEnabled(false);
        m_frozen->Model()->SetFrozen(true);
        m_dialog.setWindowTitle(QStringLiteral("Quillbox"));
        m_dialog.setWindowModality(Qt::WindowModal);
        m_dialog.setAutoClose(false);
        m_dialog.setAutoReset(false);
        // Shown by Step, not by the dialog's own guess of the time left.
        m_dialog.setMinimumDuration(std::numeric_limits<int>::max());
        m_dialog.hide();
        m_started.start();
    }
    // An operation inside another (the list read again at the end of a compaction) leaves the
    // list as frozen as the outer one keeps it.
    ~DialogProgress() override {
        m_frozen->Model()->SetFrozen(m_wasFrozen);
        m_frozen->setUpdatesEnabled(m_wasDrawn);
    }
    DialogProgress(const DialogProgress&) = delete;
    DialogProgress& operator=(const DialogProgress&) = delete;

    bool Step(std::uint64_t done, std::uint64_t total, const std::string& text) override {
        if (m_dialog.wasCanceled())
            return false;
        if (m_started.elapsed() < m_showAfter)
            return true;
        if (m_dialog.isVisible() && m_drawn.isValid() && m_drawn.elapsed() < 50)
            return true;
        m_drawn.start();
        // The bar counts in steps of at most int's range.
        const std::uint64_t scale = total > 1000000 ? total / 1000000 : 1;
        m_dialog.setMaximum(static_cast<int>(total / scale));
        m_dialog.setValue(static_cast<int>(std::min(done, total) / scale));
        if (!text.empty())
            m_dialog.setLabelText(FromStoreText(text));
        if (!m_dialog.isVisible())
            m_dialog.show();
        QCoreApplication::processEvents();
        return !m_dialog.wasCanceled();
    }

  private:
    QProgressDialog m_dialog;
    CMailListView* m_frozen;
    bool m_wasDrawn;
    bool m_wasFrozen;
    int m_showAfter;
    QElapsedTimer m_started;
    QElapsedTimer m_drawn;
};

} // namespace

std::unique_ptr<ProgressSink> QtPort::BeginProgress(const std::string& title) {
    // A dialog that runs the operation (export, import) shows its progress itself.
    if (m_frame.beginProgress)
        return m_frame.beginProgress(title);
    return std::make_unique<DialogProgress>(&m_frame, m_frame.ListView(), FromStoreText(title),
                                            progressShowAfter);
}

void QtPort::SetWaitCursor(bool on) {
    if (on) {
        ++m_waitDepth;
        QApplication::setOverrideCursor(Qt::WaitCursor);
    } else if (m_waitDepth > 0) {
        --m_waitDepth;
        QApplication::restoreOverrideCursor();
    }
}

} // namespace qb
