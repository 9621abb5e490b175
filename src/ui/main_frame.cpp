#include "ui/main_frame.h"

#include "app/long_operation.h"
#include "app/menu_model.h"
#include "app/message_sort.h"
#include "app/message_text.h"
#include "app/readable_message.h"
#include "model/mails.h"
#include "ui/commands.h"
#include "ui/folder_tree_view.h"
#include "ui/help_window.h"
#include "ui/mail_content_view.h"
#include "ui/mail_list_view.h"
#include "ui/message_list_model.h"
#include "ui/search_pane.h"
#include "ui/text_codec.h"

#include <QApplication>
#include <QCloseEvent>
#include <QDir>
#include <QFile>
#include <QFileDialog>
#include <QLabel>
#include <QMenuBar>
#include <QMessageBox>
#include <QScreen>
#include <QSplitter>
#include <QStatusBar>
#include <QStatusTipEvent>
#include <QTimer>
#include <QToolBar>

namespace qb {

namespace {
constexpr int kLargePane = 100000;
constexpr const char* kIndicatorTexts[3] = {"CAP", "NUM", "SCRL"};

QString MenuText(const std::string& name) {
    // A folder name is shown as it is, never as a mnemonic.
    return FromStoreText(name).replace(QLatin1Char('&'), QStringLiteral("&&"));
}
} // namespace

CMainFrame::CMainFrame(SettingsStore& settings, QWidget* parent)
    : QMainWindow(parent), m_settings(settings) {
    setWindowTitle(
        QStringLiteral("%1 - %2").arg(QLatin1String(kDocumentName), QLatin1String(kAppTitle)));
    setWindowIcon(QIcon(QStringLiteral(":/icons/quillbox.svg")));
    setAttribute(Qt::WA_DeleteOnClose, false);

    // Panes first: outer splitter, inner splitter, then tree, list and text in this order.
    m_paneSizes = ReadPaneSizes(m_settings);
    m_outer = new QSplitter(Qt::Vertical, this);
    m_inner = new QSplitter(Qt::Horizontal, m_outer);
    m_tree = new CQuillboxView(m_inner);
    m_list = new CMailListView(m_inner);
    m_content = new CMailContentView(m_outer);
    m_outer->addWidget(m_inner);
    m_outer->addWidget(m_content);
    m_inner->setHandleWidth(3);
    for (QSplitter* splitter : {m_outer, m_inner}) {
        splitter->setChildrenCollapsible(true);
        splitter->setStretchFactor(0, 0);
        splitter->setStretchFactor(1, 1);
        splitter->setOpaqueResize(true);
    }
    for (QWidget* pane : {static_cast<QWidget*>(m_tree), static_cast<QWidget*>(m_list),
                          static_cast<QWidget*>(m_content), static_cast<QWidget*>(m_inner)})
        pane->setMinimumSize(0, 0);
    m_inner->setSizes({std::max(m_paneSizes.treeWidth, 0), kLargePane});
    m_outer->setSizes({std::max(m_paneSizes.treeHeight, 0), kLargePane});
    setCentralWidget(m_outer);
    m_tree->SetPanes(m_list, m_content);
    m_active = m_tree;

    CreateActions();
    CreateMenus();
    CreateToolBar();
    CreateStatusBar();

    connect(qApp, &QApplication::focusChanged, this, &CMainFrame::FocusChanged);
    connect(m_content, &QTextEdit::selectionChanged, this, &CMainFrame::UpdateCommandStates);
    connect(m_content, &QTextEdit::textChanged, this, &CMainFrame::UpdateCommandStates);
    m_list->onShowMessage = [this](CMessage& message) { ShowMessage(message); };
    m_content->onSaveAttachment = [this](int n) { SaveAttachment(n); };
    askSaveName = [this](const QString& suggested) {
        return QFileDialog::getSaveFileName(this, QStringLiteral("Save Attachment As"),
                                            QDir::home().filePath(suggested), {}, nullptr,
                                            QFileDialog::DontConfirmOverwrite);
    };
    m_tree->onContextMenu = [this](const QPoint& at) {
        ActivateView(m_tree);
        std::unique_ptr<QMenu> menu(CreateFolderContextMenu());
        menu->exec(at);
    };
    m_list->onContextMenu = [this](const QPoint& at) {
        ActivateView(m_list);
        std::unique_ptr<QMenu> menu(CreateMessageContextMenu());
        menu->exec(at);
    };
    UpdateCommandStates();
}

CMainFrame::~CMainFrame() {
    // The widgets below outlive this part of the object: nothing may call back into it while
    // they are torn down.
    disconnect(qApp, nullptr, this, nullptr);
    m_content->disconnect(this);
    m_toolBar->disconnect(this);
    m_tree->onContextMenu = nullptr;
    m_list->onContextMenu = nullptr;
    m_list->onShowMessage = nullptr;
    m_list->listMessages = nullptr;
    m_content->onSaveAttachment = nullptr;
    m_doc = nullptr;
}

QAction* CMainFrame::AddAction(int id, const QString& text) {
    auto* action = new QAction(text, this);
    action->setData(id);
    action->setStatusTip(CommandPrompt(id));
    QString tip = CommandTooltip(id);
    if (!tip.isEmpty())
        action->setToolTip(tip);
    connect(action, &QAction::triggered, this, [this, id] { OnCommand(id); });
    m_actions[id] = action;
    return action;
}

QAction* CMainFrame::Action(int id) const {
    auto it = m_actions.find(id);
    return it == m_actions.end() ? nullptr : it->second;
}

void CMainFrame::CreateActions() {
    AddAction(ID_NEW_FOLDER, QStringLiteral("&New Folder..."))
        ->setIcon(QIcon(QStringLiteral(":/icons/new_folder.svg")));
    AddAction(ID_RENAME_FOLDER, QStringLiteral("Rename Folder..."))
        ->setIcon(QIcon(QStringLiteral(":/icons/rename.svg")));
    QAction* del = AddAction(ID_DELETE, QStringLiteral("&Delete..."));
    del->setIcon(QIcon(QStringLiteral(":/icons/delete.svg")));
    del->setShortcut(QKeySequence(Qt::Key_Delete));
    AddAction(ID_COMPACT, QStringLiteral("Compact Mailbox..."));
    AddAction(ID_EXPORT, QStringLiteral("&Export..."));
    AddAction(ID_IMPORT, QStringLiteral("&Import..."));
    AddAction(ID_NEW_MAILBOX, QStringLiteral("New MailBox..."));
    AddAction(ID_LOCATE_MAILBOX, QStringLiteral("&Locate Exist Mailbox..."));
    AddAction(ID_APP_EXIT, QStringLiteral("E&xit"));
    QAction* copy = AddAction(ID_EDIT_COPY, QStringLiteral("&Copy"));
    copy->setIcon(QIcon(QStringLiteral(":/icons/copy.svg")));
    copy->setShortcuts(
        {QKeySequence(Qt::CTRL | Qt::Key_C), QKeySequence(Qt::CTRL | Qt::Key_Insert)});
    AddAction(ID_EDIT_SELECT_ALL, QStringLiteral("&Select All"));
    AddAction(ID_UNDELETE, QStringLiteral("&Undelete"));
    AddAction(ID_VIEW_SHOW_DELETED, QStringLiteral("Show &Deleted Messages"))->setCheckable(true);
    AddAction(ID_VIEW_TOOLBAR, QStringLiteral("&Toolbar"))->setCheckable(true);
    AddAction(ID_VIEW_STATUS_BAR, QStringLiteral("&Status Bar"))->setCheckable(true);
    AddAction(ID_BACKUP, QStringLiteral("&Backup..."))
        ->setIcon(QIcon(QStringLiteral(":/icons/backup.svg")));
    AddAction(ID_RESTORE, QStringLiteral("Restore..."))
        ->setIcon(QIcon(QStringLiteral(":/icons/restore.svg")));
    AddAction(ID_HELP_FINDER, QStringLiteral("&Help Topics"));
    AddAction(ID_APP_ABOUT, QStringLiteral("&About Quillbox..."))
        ->setIcon(QIcon(QStringLiteral(":/icons/about.svg")));
    // Commands reached by key or toolbar button only.
    QAction* help = AddAction(ID_HELP, QStringLiteral("Help"));
    help->setShortcut(QKeySequence(Qt::Key_F1));
    QAction* contextHelp = AddAction(ID_CONTEXT_HELP, QStringLiteral("Help"));
    contextHelp->setIcon(QIcon(QStringLiteral(":/icons/help.svg")));
    contextHelp->setShortcut(QKeySequence(Qt::SHIFT | Qt::Key_F1));
    AddAction(ID_NEXT_PANE, QStringLiteral("Next Pane"))->setShortcut(QKeySequence(Qt::Key_F6));
    AddAction(ID_PREV_PANE, QStringLiteral("Previous Pane"))
        ->setShortcut(QKeySequence(Qt::SHIFT | Qt::Key_F6));
    for (int id : {ID_HELP, ID_CONTEXT_HELP, ID_NEXT_PANE, ID_PREV_PANE})
        addAction(Action(id));
    // The Move and Copy headings have no handler and stay disabled.
    AddAction(ID_MOVE_HEADING, QString::fromLatin1(kMenuListLabel))->setEnabled(false);
    AddAction(ID_COPY_HEADING, QString::fromLatin1(kMenuListLabel))->setEnabled(false);
}

void CMainFrame::CreateMenus() {
    QMenu* file = menuBar()->addMenu(QStringLiteral("&File"));
    file->addAction(Action(ID_NEW_FOLDER));
    file->addAction(Action(ID_RENAME_FOLDER));
    file->addSeparator();
    m_moveMenu = file->addMenu(QStringLiteral("&Move"));
    m_copyMenu = file->addMenu(QStringLiteral("&Copy"));
    m_moveMenu->addAction(Action(ID_MOVE_HEADING));
    m_moveMenu->addSeparator();
    m_copyMenu->addAction(Action(ID_COPY_HEADING));
    m_copyMenu->addSeparator();
    file->addSeparator();
    file->addAction(Action(ID_DELETE));
    file->addSeparator();
    file->addAction(Action(ID_COMPACT));
    file->addSeparator();
    file->addAction(Action(ID_EXPORT));
    file->addAction(Action(ID_IMPORT));
    file->addSeparator();
    file->addAction(Action(ID_NEW_MAILBOX));
    file->addAction(Action(ID_LOCATE_MAILBOX));
    file->addSeparator();
    file->addAction(Action(ID_APP_EXIT));

    QMenu* edit = menuBar()->addMenu(QStringLiteral("&Edit"));
    edit->addAction(Action(ID_EDIT_COPY));
    edit->addSeparator();
    edit->addAction(Action(ID_EDIT_SELECT_ALL));
    edit->addSeparator();
    edit->addAction(Action(ID_UNDELETE));
    QAction* find = edit->addAction(QStringLiteral("&Find..."));
    find->setShortcut(QKeySequence::Find);
    find->setStatusTip(QStringLiteral("Find messages in every mailbox"));
    connect(find, &QAction::triggered, this, &CMainFrame::ShowSearchPane);

    QMenu* view = menuBar()->addMenu(QStringLiteral("&View"));
    view->addAction(Action(ID_VIEW_TOOLBAR));
    view->addAction(Action(ID_VIEW_STATUS_BAR));
    view->addSeparator();
    view->addAction(Action(ID_VIEW_SHOW_DELETED));
    // The message as stored, every byte as it is in the store, instead of the decoded text.
    m_sourceAction = view->addAction(QStringLiteral("Message &Source"));
    m_sourceAction->setCheckable(true);
    m_sourceAction->setStatusTip(QStringLiteral("Show the message as stored"));
    connect(m_sourceAction, &QAction::toggled, this, [this] {
        const int shown = m_list->ShownItem();
        if (CMessage* message = shown >= 0 ? m_list->Model()->MessageAt(shown) : nullptr)
            ShowMessage(*message);
    });

    QMenu* tools = menuBar()->addMenu(QStringLiteral("&Tools"));
    tools->addAction(Action(ID_BACKUP));
    tools->addAction(Action(ID_RESTORE));

    QMenu* help = menuBar()->addMenu(QStringLiteral("&Help"));
    help->addAction(Action(ID_HELP_FINDER));
    help->addSeparator();
    help->addAction(Action(ID_APP_ABOUT));

    for (QMenu* menu : {file, edit, view, tools, help})
        connect(menu, &QMenu::aboutToShow, this, &CMainFrame::UpdateCommandStates);
}

void CMainFrame::CreateToolBar() {
    m_toolBar = new QToolBar(QStringLiteral("Toolbar"), this);
    m_toolBar->setObjectName(QStringLiteral("Toolbar"));
    m_toolBar->setIconSize(QSize(24, 24));
    m_toolBar->setMovable(true);
    m_toolBar->setFloatable(true);
    m_toolBar->setAllowedAreas(Qt::AllToolBarAreas);
    m_toolBar->setToolButtonStyle(Qt::ToolButtonIconOnly);
    m_toolBar->addAction(Action(ID_NEW_FOLDER));
    m_toolBar->addAction(Action(ID_RENAME_FOLDER));
    m_toolBar->addAction(Action(ID_DELETE));
    m_toolBar->addSeparator();
    m_toolBar->addAction(Action(ID_EDIT_COPY));
    m_toolBar->addSeparator();
    m_toolBar->addAction(Action(ID_BACKUP));
    m_toolBar->addAction(Action(ID_RESTORE));
    m_toolBar->addSeparator();
    m_toolBar->addAction(Action(ID_APP_ABOUT));
    m_toolBar->addAction(Action(ID_CONTEXT_HELP));
    addToolBar(Qt::TopToolBarArea, m_toolBar);
    connect(m_toolBar, &QToolBar::visibilityChanged, this, &CMainFrame::UpdateCommandStates);
}

void CMainFrame::CreateStatusBar() {
    QStatusBar* bar = statusBar();
    m_countLabel = new QLabel(bar);
    m_countLabel->setContentsMargins(4, 0, 4, 0);
    bar->addPermanentWidget(m_countLabel);
    auto updateCount = [this] {
        const MessageListModel* rows = m_list->Model();
        m_countLabel->setText(rows->Filled() ? QString::fromStdString(MessageCountText(
                                                   static_cast<std::size_t>(rows->rowCount())))
                                             : QString());
    };
    connect(m_list->Model(), &QAbstractItemModel::modelReset, m_countLabel, updateCount);
    connect(m_list->Model(), &QAbstractItemModel::rowsRemoved, m_countLabel, updateCount);
    for (int i = 0; i < 3; ++i) {
        auto* label = new QLabel(QString::fromLatin1(kIndicatorTexts[i]), bar);
        label->setAlignment(Qt::AlignCenter);
        label->setFrameStyle(QFrame::Panel | QFrame::Sunken);
        label->setMinimumWidth(label->fontMetrics().horizontalAdvance(QStringLiteral("SCRL")) + 8);
        // Qt offers no portable way to read the lock keys, so the indicators stay dimmed.
        label->setEnabled(false);
        bar->addPermanentWidget(label);
        m_indicators[i] = label;
    }
    ShowStatus(QString());
}

void CMainFrame::ShowStatus(const QString& text) {
    statusBar()->showMessage(text.isEmpty() ? QString::fromLatin1(kIdlePrompt) : text);
}

QString CMainFrame::StatusText() const {
    return statusBar()->currentMessage();
}

bool CMainFrame::event(QEvent* event) {
    if (event->type() == QEvent::StatusTip) {
        ShowStatus(static_cast<QStatusTipEvent*>(event)->tip());
        return true;
    }
    return QMainWindow::event(event);
}

void CMainFrame::SetDocument(CQuillboxDoc* document) {
    m_doc = document;
    m_tree->onBeginLabelEdit = [this] {
        return m_doc != nullptr &&
               m_doc->FolderCommands().BeginLabelEdit(CurrentSelection()) == Outcome::Done;
    };
    m_tree->onEndLabelEdit = [this](const std::string& text) {
        if (m_doc != nullptr)
            m_doc->FolderCommands().EndLabelEdit(CurrentSelection(), text);
        UpdateCommandStates();
    };
    m_tree->isReadOnly = [this](CMails* store) {
        return m_doc != nullptr && m_doc->IsReadOnly(store);
    };
    m_tree->emptyText = QString::fromUtf8(kTextHowToBegin);
    m_tree->onBadLabel = [this] {
        if (showMessage)
            showMessage(kTextCannotRenameFolder);
    };
    m_list->listMessages = [this](CMails& folder) -> MessageList& {
        if (m_doc == nullptr)
            return ListMessages(folder, MessageListModel::kListWaitMs);
        MessageList* listed = nullptr;
        {
            // A very large folder shows the progress dialog, whose Cancel leaves the list empty.
            LongOperation reading(m_doc->GetPort(), kTextReadingMessages);
            listed = &m_doc->Undelete().ListMessages(folder, MessageListModel::kListWaitMs);
        }
        // Damage met while listing is said on the folder's item and in the status bar.
        m_doc->ReportFolderWarning(folder);
        return *listed;
    };
    UpdateCommandStates();
}

void CMainFrame::ApplyPlacement(const WindowPlacement& placement) {
    m_placement = placement;
    if (placement.HasRect() && placement.Width() > 0 && placement.Height() > 0) {
        move(placement.left, placement.top);
        resize(placement.Width(), placement.Height());
    } else if (QScreen* screen = QGuiApplication::primaryScreen()) {
        // No stored rectangle: a size in proportion to the screen, placed by the platform.
        QSize available = screen->availableSize();
        resize(available.width() * 3 / 4, available.height() * 3 / 4);
        m_placement.right = m_placement.bottom = 0;
    }
}

bool CMainFrame::ApplyGeometry(const std::string& saved) {
    if (saved.empty() || !restoreGeometry(QByteArray::fromBase64(QByteArray::fromStdString(saved))))
        return false;
    // Qt keeps the window frame out of the saved geometry and the normal size while
    // maximised, so nothing is taken off after the window manager has framed the window.
    m_placement = {};
    m_placement.zoomed = windowState().testFlag(Qt::WindowMaximized);
    return true;
}

void CMainFrame::ShowWindow() {
    if (m_placement.zoomed)
        showMaximized();
    else
        show();
}

void CMainFrame::showEvent(QShowEvent* event) {
    QMainWindow::showEvent(event);
    if (!m_firstShow)
        return;
    m_firstShow = false;
    // The top row and the tree column start at their stored sizes; the rest goes to the list
    // and the text.
    int treeHeight = std::max(m_paneSizes.treeHeight, 0);
    int treeWidth = std::max(m_paneSizes.treeWidth, 0);
    m_outer->setSizes({treeHeight, std::max(m_outer->height() - treeHeight, 0)});
    m_inner->setSizes({treeWidth, std::max(m_inner->width() - treeWidth, 0)});
    // The stored rectangle is the outer one: once the window manager has framed the window,
    // take the frame off so that the window does not grow from one run to the next.
    if (m_placement.HasRect() && !m_placement.zoomed) {
        QTimer::singleShot(0, this, [this] {
            QSize extra = frameGeometry().size() - geometry().size();
            if (!isMaximized() && (extra.width() > 0 || extra.height() > 0))
                resize(size() - extra);
        });
    }
}

ActivePane CMainFrame::GetActivePane() const {
    if (m_active == m_tree)
        return ActivePane::Tree;
    if (m_active == m_list)
        return ActivePane::List;
    if (m_active == m_content)
        return ActivePane::Other;
    return ActivePane::None;
}

void CMainFrame::ActivateView(QWidget* view) {
    m_active = view;
    if (view != nullptr && !view->hasFocus())
        view->setFocus(Qt::OtherFocusReason);
    UpdateCommandStates();
}

void CMainFrame::FocusChanged(QWidget*, QWidget* now) {
    for (QWidget* w = now; w != nullptr; w = w->parentWidget()) {
        if (w == m_tree || w == m_list || w == m_content) {
            m_active = w;
            break;
        }
        if (w == this)
            break;
    }
    UpdateCommandStates();
}

void CMainFrame::CyclePane(int step) {
    QWidget* panes[3] = {m_tree, m_list, m_content};
    int at = 0;
    for (int i = 0; i < 3; ++i) {
        if (panes[i] == m_active)
            at = i;
    }
    ActivateView(panes[(at + step + 3) % 3]);
}

Selection CMainFrame::CurrentSelection() const {
    Selection selection;
    selection.folder = m_tree->GetSelectedFolder();
    selection.pane = GetActivePane();
    selection.messages = m_list->SelectedMessages();
    return selection;
}

Selection CMainFrame::SelectionForUpdate() const {
    // The update rules only ask whether messages are selected; listing a large selection on
    // every focus or text change would be wasted work.
    Selection selection;
    selection.folder = m_tree->GetSelectedFolder();
    selection.pane = GetActivePane();
    if (CMessage* first = m_list->FirstSelectedMessage())
        selection.messages.push_back(first);
    return selection;
}

bool CMainFrame::IsCommandEnabled(int id) const {
    switch (id) {
    case ID_NEW_FOLDER:
        return m_doc != nullptr && m_doc->FolderCommands().CanNewFolder();
    case ID_RENAME_FOLDER:
        return m_doc != nullptr && m_doc->FolderCommands().CanRenameFolder(SelectionForUpdate());
    case ID_DELETE:
        return m_doc != nullptr && m_doc->FolderCommands().CanDelete(SelectionForUpdate());
    case ID_UNDELETE:
        return m_doc != nullptr && m_doc->Undelete().CanUndelete(CurrentSelection());
    case ID_VIEW_SHOW_DELETED:
        return m_doc != nullptr;
    case ID_EDIT_COPY:
        return m_active == m_content && m_content->textCursor().hasSelection();
    case ID_EDIT_SELECT_ALL:
        return m_active == m_content && !m_content->document()->isEmpty();
    case ID_MOVE_HEADING:
    case ID_COPY_HEADING:
        return false;
    case ID_LOCATE_MAILBOX:
        return m_doc != nullptr;
    case ID_EXPORT:
    case ID_IMPORT:
        return m_doc != nullptr && static_cast<bool>(runDialogCommand) &&
               CurrentSelection().folder != nullptr;
    case ID_COMPACT:
    case ID_BACKUP:
    case ID_RESTORE:
    case ID_NEW_MAILBOX:
        // These need their dialogs; without them the commands stay disabled.
        return m_doc != nullptr && static_cast<bool>(runDialogCommand);
    default:
        return true;
    }
}

void CMainFrame::UpdateCommandStates() {
    for (auto& [id, action] : m_actions)
        action->setEnabled(IsCommandEnabled(id));
    if (m_toolBar != nullptr)
        Action(ID_VIEW_TOOLBAR)->setChecked(!m_toolBar->isHidden());
    Action(ID_VIEW_STATUS_BAR)->setChecked(!statusBar()->isHidden());
    Action(ID_VIEW_SHOW_DELETED)->setChecked(m_doc != nullptr && m_doc->Undelete().ShowsDeleted());
}

void CMainFrame::OnCommand(int id) {
    Selection selection = CurrentSelection();
    switch (id) {
    case ID_NEW_FOLDER:
        if (m_doc != nullptr)
            m_doc->FolderCommands().OnNewFolder(selection);
        break;
    case ID_RENAME_FOLDER:
        if (m_doc != nullptr)
            m_doc->FolderCommands().OnRenameFolder(selection);
        break;
    case ID_DELETE:
        if (m_doc != nullptr)
            m_doc->FolderCommands().OnDelete(selection);
        break;
    case ID_UNDELETE:
        if (m_doc != nullptr)
            m_doc->Undelete().OnUndelete(selection);
        break;
    case ID_VIEW_SHOW_DELETED:
        if (m_doc != nullptr)
            m_doc->Undelete().SetShowDeleted(!m_doc->Undelete().ShowsDeleted());
        UpdateCommandStates();
        break;
    case ID_LOCATE_MAILBOX:
    case ID_COMPACT:
    case ID_BACKUP:
    case ID_RESTORE:
    case ID_NEW_MAILBOX:
    case ID_EXPORT:
    case ID_IMPORT:
        if (runDialogCommand)
            runDialogCommand(id);
        else if (id == ID_LOCATE_MAILBOX && m_doc != nullptr)
            m_doc->MailboxCommands()
                .LocateAccepted(); // without its dialog, Locate reloads the registered stores
        break;
    case ID_EDIT_COPY:
        if (IsCommandEnabled(id))
            m_content->copy();
        break;
    case ID_EDIT_SELECT_ALL:
        if (IsCommandEnabled(id))
            m_content->selectAll();
        break;
    case ID_VIEW_TOOLBAR:
        m_toolBar->setVisible(m_toolBar->isHidden());
        break;
    case ID_VIEW_STATUS_BAR:
        statusBar()->setVisible(statusBar()->isHidden());
        break;
    case ID_APP_ABOUT:
        ShowAbout();
        break;
    case ID_APP_EXIT:
        close();
        break;
    case ID_HELP_FINDER:
    case ID_HELP:
    case ID_CONTEXT_HELP:
        ShowHelp();
        break;
    case ID_NEXT_PANE:
        CyclePane(1);
        break;
    case ID_PREV_PANE:
        CyclePane(-1);
        break;
    default:
        if (m_doc != nullptr && IsMoveMenuId(id))
            m_doc->MoveCopy().OnMoveTo(id, selection);
        else if (m_doc != nullptr && IsCopyMenuId(id))
            m_doc->MoveCopy().OnCopyTo(id, selection);
        break;
    }
    UpdateCommandStates();
}

void CMainFrame::AddMenuItems(QMenu* menu, const std::vector<MenuItem>& items) {
    for (const MenuItem& item : items) {
        switch (item.kind) {
        case MenuItem::Kind::Separator:
            menu->addSeparator();
            break;
        case MenuItem::Kind::Label: {
            QAction* label = menu->addAction(QString::fromLatin1(item.text.c_str()));
            label->setEnabled(false);
            label->setStatusTip(CommandPrompt(item.id));
            break;
        }
        case MenuItem::Kind::Command: {
            QAction* action = menu->addAction(MenuText(item.text));
            action->setData(item.id);
            action->setStatusTip(
                CommandPrompt(IsMoveMenuId(item.id) ? ID_MOVE_HEADING : ID_COPY_HEADING));
            int id = item.id;
            connect(action, &QAction::triggered, this, [this, id] { OnCommand(id); });
            break;
        }
        case MenuItem::Kind::Popup:
            AddMenuItems(menu->addMenu(MenuText(item.text)), item.items);
            break;
        }
    }
}

void CMainFrame::FillFolderPopup(QMenu* popup, int baseId) {
    popup->clear();
    if (m_doc != nullptr) {
        AddMenuItems(popup, m_doc->FillFolderMenu(baseId));
        return;
    }
    AddMenuItems(popup, {MenuItem::Label(kMenuListLabel, baseId == ID_COPY_FIRST ? ID_COPY_HEADING
                                                                                 : ID_MOVE_HEADING),
                         MenuItem::Separator()});
}

void CMainFrame::RebuildFolderMenus() {
    FillFolderPopup(m_moveMenu, ID_MOVE_FIRST);
    FillFolderPopup(m_copyMenu, ID_COPY_FIRST);
}

QMenu* CMainFrame::CreateFolderContextMenu() {
    auto* menu = new QMenu(this);
    auto add = [&](int id, const char* text) {
        QAction* action = menu->addAction(QString::fromLatin1(text));
        action->setStatusTip(CommandPrompt(id));
        action->setEnabled(IsCommandEnabled(id));
        connect(action, &QAction::triggered, this, [this, id] { OnCommand(id); });
    };
    add(ID_NEW_FOLDER, "New Folder...");
    add(ID_RENAME_FOLDER, "Rename Folder...");
    menu->addSeparator();
    add(ID_DELETE, "Delete");
    menu->addSeparator();
    FillFolderPopup(menu->addMenu(QStringLiteral("Move")), ID_MOVE_FIRST);
    FillFolderPopup(menu->addMenu(QStringLiteral("Copy")), ID_COPY_FIRST);
    menu->addSeparator();
    add(ID_COMPACT, "Compact");
    return menu;
}

QMenu* CMainFrame::CreateMessageContextMenu() {
    auto* menu = new QMenu(this);
    FillFolderPopup(menu->addMenu(QStringLiteral("Move")), ID_MOVE_FIRST);
    FillFolderPopup(menu->addMenu(QStringLiteral("Copy")), ID_COPY_FIRST);
    menu->addSeparator();
    QAction* del = menu->addAction(QStringLiteral("Delete"));
    del->setStatusTip(CommandPrompt(ID_DELETE));
    del->setEnabled(IsCommandEnabled(ID_DELETE));
    connect(del, &QAction::triggered, this, [this] { OnCommand(ID_DELETE); });
    return menu;
}

void CMainFrame::changeEvent(QEvent* event) {
    QMainWindow::changeEvent(event);
    // Activation (either way) brings the Move and Copy submenus up to date with the folders.
    if (event->type() == QEvent::ActivationChange && m_doc != nullptr)
        m_doc->RebuildFolderMenus();
}

void CMainFrame::ShowMessage(CMessage& message) {
    if (m_sourceAction != nullptr && m_sourceAction->isChecked()) {
        m_content->ShowSections({}, FromStoreText(MessageSource(message)), {});
        return;
    }
    const DecodedDisplay display = ComposeDecodedDisplay(message);
    const std::string_view text = display.text;
    const size_t headerEnd = std::min(display.headerEnd, text.size());
    const size_t bodyEnd = std::clamp(display.bodyEnd, headerEnd, text.size());
    const auto utf8 = [](std::string_view part) {
        return QString::fromUtf8(part.data(), static_cast<qsizetype>(part.size()));
    };
    m_content->ShowSections(utf8(text.substr(0, headerEnd)),
                            utf8(text.substr(headerEnd, bodyEnd - headerEnd)),
                            utf8(text.substr(bodyEnd)));
    std::vector<int> lines;
    for (const std::size_t line : display.attachmentLines)
        lines.push_back(static_cast<int>(line));
    m_content->SetAttachmentLines(std::move(lines));
}

void CMainFrame::ShowSearchPane() {
    if (m_search == nullptr) {
        m_search = new CSearchPane(this);
        m_search->scopes = [this] {
            std::vector<SearchScope> scopes;
            if (m_doc != nullptr) {
                for (const auto& entry : m_doc->Mailboxes())
                    scopes.push_back(
                        {{entry->m_strName, entry->m_strStoreRoot, entry->m_strType}, ""});
            }
            return scopes;
        };
        m_search->onOpenHit = [this](const SearchHit& hit) { OpenSearchHit(hit); };
    }
    m_search->show();
    m_search->raise();
    m_search->activateWindow();
}

bool CMainFrame::OpenSearchHit(const SearchHit& hit) {
    if (m_doc == nullptr)
        return false;
    for (const auto& entry : m_doc->Mailboxes()) {
        CMails* folder = entry->m_strName == hit.mailbox && entry->m_pRoot
                             ? entry->m_pRoot->FindFolder(hit.folderIdentity)
                             : nullptr;
        const QModelIndex item = folder != nullptr ? m_tree->FindFolderItem(folder) : QModelIndex();
        if (!item.isValid())
            continue;
        m_tree->setCurrentIndex(item);
        const QModelIndex row = m_list->model()->index(static_cast<int>(hit.row), 0);
        if (!row.isValid())
            return false;
        ActivateView(m_list);
        m_list->setCurrentIndex(row);
        m_list->scrollTo(row);
        return true;
    }
    return false;
}

void CMainFrame::SaveAttachment(int n) {
    const int shown = m_list->ShownItem();
    CMessage* message = shown >= 0 ? m_list->Model()->MessageAt(shown) : nullptr;
    if (message == nullptr || n < 0 || !askSaveName)
        return;
    const CReadableMessage readable(*message);
    if (static_cast<std::size_t>(n) >= readable.Attachments().size())
        return;
    const auto index = static_cast<std::size_t>(n);
    const QString path =
        askSaveName(QString::fromStdString(readable.Attachments()[index].fileName));
    if (path.isEmpty())
        return;
    const std::string error = readable.SaveAttachment(index, QFile::encodeName(path).toStdString());
    if (!error.empty() && showMessage)
        showMessage(error);
}

void CMainFrame::ShowAbout() {
    QMessageBox about(this);
    about.setWindowTitle(QStringLiteral("About Quillbox"));
    about.setIconPixmap(windowIcon().pixmap(48, 48));
    about.setText(QStringLiteral("Quillbox Version 1.0"));
    about.setStandardButtons(QMessageBox::Ok);
    about.exec();
}

void CMainFrame::ShowHelp() {
    if (m_help == nullptr)
        m_help = new CHelpWindow(this);
    m_help->Open();
}

void CMainFrame::closeEvent(QCloseEvent* event) {
    SaveSettings();
    event->accept();
}

void CMainFrame::SaveSettings() {
    if (!isMinimized()) {
        QRect outer = frameGeometry();
        WindowPlacement p;
        p.top = outer.top();
        p.left = outer.left();
        p.bottom = outer.top() + outer.height();
        p.right = outer.left() + outer.width();
        p.zoomed = isMaximized();
        WriteWindowPlacement(m_settings, p);
    }
    WriteWindowGeometry(m_settings, saveGeometry().toBase64().toStdString());
    WriteMessageSort(m_settings, m_list->Order());
    WritePaneSizes(m_settings, {m_tree->width(), m_tree->height()});
    if (CMails* folder = m_tree->GetSelectedFolder())
        WriteCurrentFolder(m_settings, folder->m_strPath);
    WriteColumnWidths(m_settings, m_list->ColumnWidths());
}

} // namespace qb
