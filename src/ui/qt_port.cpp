#include "ui/qt_port.h"

#include "app/document.h"
#include "model/mails.h"
#include "ui/folder_name_dialog.h"
#include "ui/folder_tree_view.h"
#include "ui/mail_list_view.h"
#include "ui/main_frame.h"
#include "ui/text_codec.h"

#include <QApplication>
#include <QMessageBox>
#include <QStatusBar>

namespace qb {

QtPort::QtPort(CMainFrame& frame) : m_frame(frame) {
    m_frame.showMessage = [this](const std::string& text) { Message(text); };
}

QtPort::~QtPort() {
    m_frame.showMessage = nullptr;
    while (m_waitDepth > 0)
        SetWaitCursor(false);
}

Answer QtPort::Message(const std::string& text, Buttons buttons, Icon icon) {
    if (answerMessage)
        return answerMessage(text, buttons, icon);
    QMessageBox box(&m_frame);
    box.setWindowTitle(QString::fromLatin1(kMessageCaption));
    box.setText(FromStoreText(text));
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

void QtPort::SetWaitCursor(bool on) {
    if (on) {
        ++m_waitDepth;
        QApplication::setOverrideCursor(Qt::WaitCursor);
    } else if (m_waitDepth > 0) {
        --m_waitDepth;
        QApplication::restoreOverrideCursor();
    }
}

std::unique_ptr<ProgressSink> QtPort::BeginProgress(const std::string& title) {
    if (m_frame.beginProgress)
        return m_frame.beginProgress(title);
    return Port::BeginProgress(title);
}

} // namespace qb
