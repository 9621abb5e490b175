#include "ui/folder_watch.h"

#include "app/disk_changes.h"

namespace qb {

FolderWatch::FolderWatch(QObject* parent) : QObject(parent) {
    m_settle.setSingleShot(true);
    m_settle.setInterval(kSettleMs);
    connect(&m_watcher, &QFileSystemWatcher::fileChanged, this, &FolderWatch::Changed);
    connect(&m_settle, &QTimer::timeout, this, &FolderWatch::Settled);
}

void FolderWatch::Watch(const CMails* folder) {
    const QStringList old = m_watcher.files();
    if (!old.isEmpty())
        m_watcher.removePaths(old);
    m_settle.stop();
    m_folder = folder;
    for (const std::string& file : WatchedFiles(folder))
        m_watcher.addPath(QString::fromStdString(file));
}

void FolderWatch::Changed(const QString& path) {
    if (ChangesList(m_folder, path.toStdString()))
        m_settle.start();
}

void FolderWatch::Settled() {
    if (isBusy && isBusy()) {
        m_settle.start();
        return;
    }
    if (onChanged)
        onChanged();
}

} // namespace qb
