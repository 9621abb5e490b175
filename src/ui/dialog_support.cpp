#include "ui/dialog_support.h"

#include <QFile>
#include <QFileDialog>

namespace qb {

std::string PathFromText(const QString& text) {
    return QFile::encodeName(text).toStdString();
}

QString TextFromPath(const std::string& path) {
    return QFile::decodeName(QByteArray::fromStdString(path));
}

std::optional<QString> BrowseForDirectory(QWidget* owner) {
    QString dir = QFileDialog::getExistingDirectory(owner, QStringLiteral("Choose a directory"));
    if (dir.isEmpty())
        return std::nullopt;
    return dir;
}

std::unique_ptr<QFileDialog> MakeBackupFileDialog(QWidget* owner, bool save) {
    auto dialog = std::make_unique<QFileDialog>(owner);
    dialog->setWindowTitle(save ? QStringLiteral("Backup File")
                                : QStringLiteral("File To Restore"));
    dialog->setNameFilters(
        {QStringLiteral("Quillbox Backup Files (*.qbf)"), QStringLiteral("All files (*)")});
    dialog->setDefaultSuffix(QStringLiteral("qbf"));
    if (save) {
        // Asks before an existing file is replaced.
        dialog->setAcceptMode(QFileDialog::AcceptSave);
        dialog->setFileMode(QFileDialog::AnyFile);
    } else {
        dialog->setAcceptMode(QFileDialog::AcceptOpen);
        dialog->setFileMode(QFileDialog::ExistingFile);
    }
    dialog->setOption(QFileDialog::DontConfirmOverwrite, false);
    return dialog;
}

std::optional<QString> ChooseBackupFile(QWidget* owner, bool save) {
    std::unique_ptr<QFileDialog> dialog = MakeBackupFileDialog(owner, save);
    if (dialog->exec() != QDialog::Accepted || dialog->selectedFiles().isEmpty())
        return std::nullopt;
    return QFileInfo(dialog->selectedFiles().first()).absoluteFilePath();
}

} // namespace qb
