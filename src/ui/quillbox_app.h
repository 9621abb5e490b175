// The program's start-up and the objects that live for the whole run: the registry file that
// holds the settings and the registered stores, the main window, the port and the document.
#pragma once

#include "app/window_settings.h"
#include "platform/registry_file.h"

#include <memory>
#include <string>

namespace qb {

class CMainFrame;
class CQuillboxDoc;
class DialogCommands;
class FolderDragDrop;
class QtPort;

class CQuillboxApp {
  public:
    explicit CQuillboxApp(std::string registryPath = RegistryFile::DefaultPath());
    ~CQuillboxApp();
    CQuillboxApp(const CQuillboxApp&) = delete;
    CQuillboxApp& operator=(const CQuillboxApp&) = delete;

    // Registers other clients' stores on a first run, makes the main window with its panes and
    // the document, shows the window and selects the folder selected at the last close.
    // `show` false leaves the window hidden (tests show it themselves).
    bool InitInstance(bool show = true);

    CMainFrame* Frame() const { return m_frame.get(); }
    CQuillboxDoc* Document() const { return m_doc.get(); }
    QtPort* GetPort() const { return m_port.get(); }
    RegistryFile& Registry() { return m_registry; }
    DialogCommands* Dialogs() const { return m_dialogs.get(); }
    FolderDragDrop* DragDrop() const { return m_dragDrop.get(); }
    SettingsStore& Settings() { return m_settings; }
    // Reselects the folder saved as "Current Folder".
    void RestoreCurrentFolder();

  private:
    RegistryFile m_registry;
    RegistrySettingsStore m_settings;
    // Destroyed in reverse: the document first (it clears the tree through the port), then
    // the port, then the window.
    std::unique_ptr<CMainFrame> m_frame;
    std::unique_ptr<QtPort> m_port;
    std::unique_ptr<CQuillboxDoc> m_doc;
    // The dialog commands and drag and drop work on the document; they go before it.
    std::unique_ptr<DialogCommands> m_dialogs;
    std::unique_ptr<FolderDragDrop> m_dragDrop;
};

} // namespace qb
