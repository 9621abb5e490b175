// The desktop program's peak memory on a large folder, offscreen: opens the window on a Netscape
// store and an Internet Mail store, lists the folder FOLDER of each, paints the list, reads the
// last message, then compacts every store as the Compact dialog does. Prints two peak resident
// sizes in MB, one line each: the window shown with nothing listed, and at the end;
// bench/ui/memory compares them with quillbox-cli list of the same folder.
//
//   ui_window_memory NETSCAPE_ROOT IMN_ROOT FOLDER
#include "app/command.h"
#include "app/compact_command.h"
#include "app/document.h"
#include "app/mailbox_registry.h"
#include "model/mails.h"
#include "stores/root_folder.h"
#include "ui/folder_tree_view.h"
#include "ui/mail_list_view.h"
#include "ui/main_frame.h"
#include "ui/message_list_model.h"
#include "ui/qt_port.h"
#include "ui/quillbox_app.h"

#include <QApplication>
#include <QPixmap>
#include <QTemporaryDir>

#include <sys/resource.h>

#include <cstdio>
#include <cstdlib>
#include <string>

namespace {

long PeakMegabytes() {
    rusage usage{};
    getrusage(RUSAGE_SELF, &usage);
    return usage.ru_maxrss / 1024;
}

// Selects `name` below the store's root as a click would, paints the rows shown and reads the
// last message. False when the folder is not there.
bool ListFolder(qb::CQuillboxApp& app, qb::CMails* root, const std::string& name) {
    qb::CMails* folder = nullptr;
    for (qb::CMails* child : root->GetSubFolders()) {
        if (child->m_strName == name)
            folder = child;
    }
    if (folder == nullptr || !app.Frame()->TreeView()->SelectFolder(folder, true))
        return false;
    QApplication::processEvents();
    qb::CMailListView* list = app.Frame()->ListView();
    const int rows = list->Model()->rowCount();
    std::fprintf(stderr, "%s: %d rows, peak %ld MB\n", root->m_strName.c_str(), rows,
                 PeakMegabytes());
    if (rows == 0)
        return false;
    QPixmap shot = list->viewport()->grab();
    list->setCurrentIndex(list->Model()->index(rows - 1, 0));
    QApplication::processEvents();
    return !shot.isNull();
}

} // namespace

int main(int argc, char** argv) {
    if (argc != 4) {
        std::fprintf(stderr, "usage: ui_window_memory NETSCAPE_ROOT IMN_ROOT FOLDER\n");
        return 2;
    }
    if (std::getenv("QT_QPA_PLATFORM") == nullptr)
        setenv("QT_QPA_PLATFORM", "offscreen", 1);
    QApplication qt(argc, argv);
    QTemporaryDir home;
    if (!home.isValid())
        return 1;
    // No other client's store is looked for: the registry names the two stores only.
    setenv("HOME", home.path().toLocal8Bit().constData(), 1);
    const std::string registryPath = home.path().toStdString() + "/bench.reg";
    {
        qb::RegistryFile registry(registryPath);
        if (!qb::WriteMailboxEntry(registry, "Netscape", argv[1], qb::kTypeNavigator) ||
            !qb::WriteMailboxEntry(registry, "Internet", argv[2], qb::kTypeInternetMail))
            return 1;
    }
    qb::CQuillboxApp app(registryPath);
    if (!app.InitInstance(false))
        return 1;
    app.GetPort()->answerMessage = [](const std::string&, qb::Buttons, qb::Icon) {
        return qb::Answer::Ok;
    };
    app.Frame()->resize(1000, 700);
    app.Frame()->show();
    QApplication::processEvents();
    std::printf("%ld\n", PeakMegabytes());
    qb::CQuillboxDoc& doc = *app.Document();
    for (const auto& mailbox : doc.Mailboxes()) {
        if (!ListFolder(app, mailbox->m_pRoot.get(), argv[3])) {
            std::fprintf(stderr, "cannot list %s in %s\n", argv[3], mailbox->m_strName.c_str());
            return 1;
        }
    }
    if (doc.Compact().RunCompact() != qb::Outcome::Done) {
        std::fprintf(stderr, "compacting failed\n");
        return 1;
    }
    QApplication::processEvents();
    std::printf("%ld\n", PeakMegabytes());
    return 0;
}
