// Runs one test class (named by the first argument) or all of them, offscreen.
#include "ui_test_main.h"

#include "support/temp_dir.h"

#include <QApplication>
#include <QTimer>
#include <QWidget>

#include <cstdio>
#include <cstdlib>
#include <cstring>
#include <memory>
#include <vector>

namespace qb::test {

std::vector<TestClassEntry>& TestClasses() {
    static std::vector<TestClassEntry> classes;
    return classes;
}

} // namespace qb::test

int main(int argc, char** argv) {
    if (std::getenv("QT_QPA_PLATFORM") == nullptr)
        setenv("QT_QPA_PLATFORM", "offscreen", 1);
    QApplication app(argc, argv);
    QApplication::setOrganizationName(QStringLiteral("Velmora"));
    QApplication::setApplicationName(QStringLiteral("QuillboxTest"));
    const char* only = argc > 1 && argv[1][0] != '-' ? argv[1] : nullptr;
    std::vector<char*> args{argv[0]};
    for (int i = only ? 2 : 1; i < argc; ++i)
        args.push_back(argv[i]);
    // A dialog that no test answers would hang the run until ctest's timeout: after ten seconds
    // it is named on standard error and closed, and the test waiting for it fails.
    QTimer watchdog;
    QWidget* waiting = nullptr;
    int ticks = 0;
    QObject::connect(&watchdog, &QTimer::timeout, [&] {
        QWidget* modal = QApplication::activeModalWidget();
        ticks = modal != nullptr && modal == waiting ? ticks + 1 : 0;
        waiting = modal;
        if (modal != nullptr && ticks >= 10) {
            std::fprintf(stderr, "unanswered dialog \"%s\" closed\n",
                         qPrintable(modal->windowTitle()));
            modal->close();
        }
    });
    watchdog.start(1000);
    // The program's first start looks for other clients' stores below the home directory: an
    // empty one keeps the user's own mail out of the tests.
    qb::test::TempDir home;
    setenv("HOME", home.path().c_str(), 1);
    unsetenv("WINEPREFIX");
    int status = 0;
    bool ran = false;
    for (auto& entry : qb::test::TestClasses()) {
        if (only && std::strcmp(only, entry.name) != 0)
            continue;
        ran = true;
        std::unique_ptr<QObject> test(entry.make());
        status |= QTest::qExec(test.get(), static_cast<int>(args.size()), args.data());
    }
    return ran ? status : 2;
}
