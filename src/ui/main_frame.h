// The main window: menu bar, toolbar, status bar and the three panes in two splitters. It turns
// menu, toolbar and key commands into calls on the document, and writes its layout to the
// settings when it closes.
#pragma once

#include "app/document.h"
#include "app/window_settings.h"

#include <QMainWindow>

#include <functional>
#include <map>

class QLabel;
class QMenu;
class QSplitter;
class QToolBar;

namespace qb {

class CHelpWindow;
class CMailContentView;
class CMailListView;
class CSearchPane;
struct SearchHit;
class CQuillboxView;
class CQuillboxDoc;
class CMessage;
struct MenuItem;

class CMainFrame : public QMainWindow {
    Q_OBJECT
  public:
    // Reads the pane sizes from `settings` while making the panes; the store must outlive the
    // window.
    explicit CMainFrame(SettingsStore& settings, QWidget* parent = nullptr);
    ~CMainFrame() override;

    void SetDocument(CQuillboxDoc* document);
    // Applies the stored rectangle and "Zoomed" before the window is first shown.
    void ApplyPlacement(const WindowPlacement& placement);
    // Applies a geometry that saveGeometry gave (base64), before the window is first shown;
    // false, and nothing changed, when there is none or it cannot be read.
    bool ApplyGeometry(const std::string& saved);
    // Shows the window maximised or not, as the stored placement says.
    void ShowWindow();

    CQuillboxView* TreeView() const { return m_tree; }
    CMailListView* ListView() const { return m_list; }
    CMailContentView* ContentView() const { return m_content; }
    QSplitter* OuterSplitter() const { return m_outer; }
    QSplitter* InnerSplitter() const { return m_inner; }
    QToolBar* ToolBar() const { return m_toolBar; }
    QMenu* MoveMenu() const { return m_moveMenu; }
    QMenu* CopyMenu() const { return m_copyMenu; }
    QAction* Action(int id) const;
    // The text of the status bar's message pane.
    QString StatusText() const;
    QLabel* Indicator(int i) const { return m_indicators[i]; }
    // "N messages" of the folder the list shows; empty when it shows none.
    QLabel* CountLabel() const { return m_countLabel; }

    ActivePane GetActivePane() const;
    QWidget* ActiveView() const { return m_active; }
    void ActivateView(QWidget* view);
    Selection CurrentSelection() const;
    // The same with at most one of the selected messages, enough for the update rules.
    Selection SelectionForUpdate() const;

    // Runs a menu, toolbar or key command.
    void OnCommand(int id);
    // Enables and checks every command as the current state allows.
    void UpdateCommandStates();
    // Builds the Move and Copy submenus of the main menu again from the document.
    void RebuildFolderMenus();
    // The folder (152) and message (155) context menus, built and left to the caller to show.
    QMenu* CreateFolderContextMenu();
    QMenu* CreateMessageContextMenu();
    void ShowStatus(const QString& text);
    bool IsCommandEnabled(int id) const;

    // Shows one message in the text pane: decoded, or as stored while View > Message Source
    // is checked.
    void ShowMessage(CMessage& message);
    QAction* MessageSourceAction() const { return m_sourceAction; }
    // Edit > Find...: opens the search pane (made on first use) over every registered store.
    void ShowSearchPane();
    CSearchPane* SearchPane() const { return m_search; }
    // Selects the hit's folder in the tree and its message in the list.
    bool OpenSearchHit(const SearchHit& hit);
    // Saves attachment `n` of the message shown, under a name the user picks (askSaveName).
    void SaveAttachment(int n);
    // Asks for the file to save an attachment as, offering `suggested`; empty when cancelled.
    // Tests replace it.
    std::function<QString(const QString& suggested)> askSaveName;
    // The About box (modal).
    void ShowAbout();
    // Opens the manual in the help window (made on first use, then reused).
    void ShowHelp();
    CHelpWindow* HelpWindow() const { return m_help; }
    // Shows a message box; the port's own, so that tests can answer it.
    std::function<void(const std::string&)> showMessage;
    // Commands carried out by dialogs of their own (Compact, Backup, Restore, New MailBox,
    // Locate). Without it Locate only reloads the stores and the others are disabled.
    std::function<void(int)> runDialogCommand;
    // Where the port shows a long operation's progress (a dialog's bar); without it, nowhere.
    std::function<std::unique_ptr<ProgressSink>(const std::string&)> beginProgress;

  protected:
    bool event(QEvent* event) override;
    void closeEvent(QCloseEvent* event) override;
    void changeEvent(QEvent* event) override;
    void showEvent(QShowEvent* event) override;

  private:
    void CreateActions();
    void CreateMenus();
    void CreateToolBar();
    void CreateStatusBar();
    QAction* AddAction(int id, const QString& text);
    void FillFolderPopup(QMenu* popup, int baseId);
    void AddMenuItems(QMenu* menu, const std::vector<MenuItem>& items);
    void FocusChanged(QWidget* old, QWidget* now);
    void CyclePane(int step);
    void SaveSettings();

    SettingsStore& m_settings;
    CQuillboxDoc* m_doc = nullptr;
    QSplitter* m_outer = nullptr;
    QSplitter* m_inner = nullptr;
    CQuillboxView* m_tree = nullptr;
    CMailListView* m_list = nullptr;
    CMailContentView* m_content = nullptr;
    QToolBar* m_toolBar = nullptr;
    QMenu* m_moveMenu = nullptr;
    QMenu* m_copyMenu = nullptr;
    QAction* m_sourceAction = nullptr;
    CSearchPane* m_search = nullptr;
    QLabel* m_indicators[3] = {};
    QLabel* m_countLabel = nullptr;
    CHelpWindow* m_help = nullptr;
    QWidget* m_active = nullptr;
    std::map<int, QAction*> m_actions;
    WindowPlacement m_placement;
    PaneSizes m_paneSizes;
    bool m_firstShow = true;
};

} // namespace qb
