// A whole program for the tests that drive commands end to end: its registry in a temporary
// directory, its message boxes recorded and answered from a queue, its dialog commands.
#pragma once

#include "app/document.h"
#include "platform/registry_file.h"
#include "support/temp_dir.h"
#include "ui/dialog_commands.h"
#include "ui/folder_tree_view.h"
#include "ui/main_frame.h"
#include "ui/qt_port.h"
#include "ui/quillbox_app.h"

#include <QDialog>
#include <QtTest>

#include <deque>
#include <functional>
#include <memory>
#include <string>
#include <vector>

namespace qb::test {

// A program with its registry in a temporary directory; message boxes are recorded and
// answered from a queue (Ok/Yes by default).
struct Program {
    TempDir dir;
    std::unique_ptr<CQuillboxApp> app;
    std::unique_ptr<DialogCommands> commands;
    std::vector<std::string> messages;
    std::deque<Answer> answers;

    std::string RegistryPath() const { return dir / "q.reg"; }

    void Start() {
        app = std::make_unique<CQuillboxApp>(RegistryPath());
        QVERIFY(app->InitInstance(false));
        app->GetPort()->answerMessage = [this](const std::string& text, Buttons buttons, Icon) {
            messages.push_back(text);
            if (!answers.empty()) {
                Answer a = answers.front();
                answers.pop_front();
                return a;
            }
            return buttons == Buttons::YesNo || buttons == Buttons::YesNoCancel ? Answer::Yes
                                                                                : Answer::Ok;
        };
        commands =
            std::make_unique<DialogCommands>(*app->Frame(), *app->Document(), &app->Registry());
    }
    void Register(const std::string& name, const std::string& root, const char* type) {
        RegistryFile registry(RegistryPath());
        QVERIFY(WriteMailboxEntry(registry, name, root, type));
    }
    CQuillboxDoc& Doc() { return *app->Document(); }
    Port& GetPort() { return *app->GetPort(); }
    std::vector<MailboxRow> Registered() {
        RegistryFile registry(RegistryPath());
        MailboxList list;
        LoadMailboxEntries(registry, list);
        std::vector<MailboxRow> rows;
        for (auto& e : list)
            rows.push_back({e->m_strName, e->m_strStoreRoot, e->m_strType, e->m_bReadOnly});
        return rows;
    }
    // Runs command `id`, handing its dialog to `drive`, which returns the dialog's result.
    template <typename D> void Run(int id, std::function<void(D&)> drive) {
        bool driven = false;
        commands->execDialog = [&](QDialog& dialog) {
            auto* typed = qobject_cast<D*>(&dialog);
            if (typed == nullptr)
                return int(QDialog::Rejected);
            driven = true;
            dialog.show();
            drive(*typed);
            const int result = dialog.result();
            dialog.hide();
            return result;
        };
        QVERIFY(commands->Run(id));
        QVERIFY(driven);
    }
    ~Program() {
        commands.reset();
        if (app && app->Frame())
            app->Frame()->close();
    }
};

inline QStringList TopLevelItems(CQuillboxView* tree) {
    QStringList texts;
    for (int i = 0; i < tree->model()->rowCount(); ++i)
        texts << tree->model()->index(i, 0).data().toString();
    return texts;
}

inline QStringList ChildItems(QAbstractItemModel* model, const QModelIndex& parent) {
    QStringList texts;
    for (int i = 0; i < model->rowCount(parent); ++i)
        texts << model->index(i, 0, parent).data().toString();
    return texts;
}

} // namespace qb::test
