// quillbox: the desktop program.
#include "ui/quillbox_app.h"

#include <QApplication>
#include <QIcon>

int main(int argc, char** argv) {
    QApplication app(argc, argv);
    QApplication::setOrganizationName(QStringLiteral("Velmora"));
    QApplication::setApplicationName(QStringLiteral("Quillbox"));
    QApplication::setApplicationVersion(QStringLiteral("1.0"));
    QApplication::setWindowIcon(QIcon(QStringLiteral(":/icons/quillbox.svg")));
    qb::CQuillboxApp quillbox;
    if (!quillbox.InitInstance())
        return 1;
    return QApplication::exec();
}
