#include "ui/quillbox_app.h"

#include "app/discovery.h"
#include "app/document.h"
#include "app/message_sort.h"
#include "ui/dialog_commands.h"
#include "ui/folder_drag_drop.h"
#include "ui/folder_tree_view.h"
#include "ui/mail_list_view.h"
#include "ui/main_frame.h"
#include "ui/qt_port.h"

namespace qb {

CQuillboxApp::CQuillboxApp(std::string registryPath)
    : m_registry(std::move(registryPath)), m_settings(m_registry) {}

CQuillboxApp::~CQuillboxApp() {
    m_dragDrop.reset();
    m_dialogs.reset();
    m_doc.reset();
    m_port.reset();
    m_frame.reset();
}

bool CQuillboxApp::InitInstance(bool show) {
    // The window rectangle is read before the window exists, the pane sizes while its panes
    // are made, the column widths when the list is first set up.
    // Stores of other mail clients are registered once, on the first run. A registry file that
    // cannot be read is left as it is; the document tells the user when it loads the stores.
    RegisterDefaultMailboxes(m_registry);
    WindowPlacement placement = ReadWindowPlacement(m_settings);
    m_frame = std::make_unique<CMainFrame>(m_settings);
    if (!m_frame->ApplyGeometry(ReadWindowGeometry(m_settings)))
        m_frame->ApplyPlacement(placement);
    m_port = std::make_unique<QtPort>(*m_frame);
    m_doc = std::make_unique<CQuillboxDoc>(*m_port, &m_registry);
    m_frame->SetDocument(m_doc.get());
    m_dialogs = std::make_unique<DialogCommands>(*m_frame, *m_doc, &m_registry);
    m_frame->runDialogCommand = [this](int id) {
        if (m_dialogs)
            m_dialogs->Run(id);
    };
    m_dragDrop = std::make_unique<FolderDragDrop>(*m_frame, *m_doc);
    m_doc->ReloadMailboxes();
    m_frame->ListView()->SetColumnWidths(
        ReadColumnWidths(m_settings, m_frame->ListView()->DefaultWidths()));
    m_frame->ListView()->SetOrder(ReadMessageSort(m_settings));
    m_frame->RebuildFolderMenus();
    m_frame->ActivateView(m_frame->TreeView());
    if (show) {
        m_frame->ShowWindow();
        RestoreCurrentFolder();
        m_frame->update();
    }
    return true;
}

void CQuillboxApp::RestoreCurrentFolder() {
    std::string path = ReadCurrentFolder(m_settings);
    if (!path.empty())
        m_doc->RestoreCurrentFolder(path);
}

} // namespace qb
