// Watches the files of the folder the list shows and reports, once a burst of changes has
// settled, that another program changed them. Holds no lock and reads nothing itself.
#pragma once

#include <QFileSystemWatcher>
#include <QObject>
#include <QTimer>

#include <functional>

namespace qb {

class CMails;

class FolderWatch : public QObject {
    Q_OBJECT
  public:
    // How long the files must stay unchanged before the change is reported.
    static constexpr int kSettleMs = 300;

    explicit FolderWatch(QObject* parent = nullptr);

    // Watches the message files of `folder` (nothing for null) instead of those watched so far.
    void Watch(const CMails* folder);

    // Whether the window is in the middle of something (a command, a dialog): the report then
    // waits until it is not.
    std::function<bool()> isBusy;
    // The watched folder changed on disk.
    std::function<void()> onChanged;

  private:
    void Changed(const QString& path);
    void Settled();

    QFileSystemWatcher m_watcher;
    QTimer m_settle;
    const CMails* m_folder = nullptr;
};

} // namespace qb
