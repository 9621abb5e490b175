// quillbox: the desktop program. "--demo" opens it on a sample generated afresh in a temporary
// directory, with a registry file of its own; the directory goes when the program ends.
#include "app/demo.h"
#include "ui/quillbox_app.h"

#include <QApplication>
#include <QIcon>
#include <QTemporaryDir>

#include <cstdio>
#include <cstring>
#include <optional>

int main(int argc, char** argv) {
    QApplication app(argc, argv);
    QApplication::setOrganizationName(QStringLiteral("Velmora"));
    QApplication::setApplicationName(QStringLiteral("Quillbox"));
    QApplication::setApplicationVersion(QStringLiteral("1.0"));
    QApplication::setWindowIcon(QIcon(QStringLiteral(":/icons/quillbox.svg")));
    bool demo = false;
    for (int i = 1; i < argc; ++i) {
        if (std::strcmp(argv[i], "--demo") == 0) {
            demo = true;
        } else {
            std::fprintf(stderr, "quillbox: unknown option %s (the only one is --demo)\n", argv[i]);
            return 2;
        }
    }
    std::optional<QTemporaryDir> sample;
    std::optional<qb::CQuillboxApp> quillbox;
    if (demo) {
        sample.emplace(QDir::tempPath() + QStringLiteral("/quillbox-demo-XXXXXX"));
        std::string error = "no temporary directory";
        const std::string registry =
            sample->isValid() ? qb::WriteDemo(sample->path().toStdString(), error) : "";
        if (registry.empty()) {
            std::fprintf(stderr, "quillbox: cannot write the sample: %s\n", error.c_str());
            return 1;
        }
        std::fprintf(stderr, "quillbox: sample stores in %s (removed at exit)\n",
                     sample->path().toLocal8Bit().constData());
        quillbox.emplace(registry);
    } else {
        quillbox.emplace();
    }
    if (!quillbox->InitInstance())
        return 1;
    return QApplication::exec();
}
