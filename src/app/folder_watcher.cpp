// folder_watcher.cpp - the watched paths and the settling wait.
#include "app/folder_watcher.h"

#include <QDir>
#include <QFileInfo>

namespace walkers {

FolderWatcher::FolderWatcher(LoopClock clock, QObject* parent)
    : QObject(parent), clock_(std::move(clock)) {
    wake_.setSingleShot(true);
    connect(&wake_, &QTimer::timeout, this, &FolderWatcher::checkSettled);
    connect(&watcher_, &QFileSystemWatcher::directoryChanged, this, &FolderWatcher::pathChanged);
    connect(&watcher_, &QFileSystemWatcher::fileChanged, this, &FolderWatcher::pathChanged);
}

void FolderWatcher::watch(const QString& folder) {
    folder_ = folder;
    waiting_ = false;
    wake_.stop();
    watchAgain();
}

QStringList FolderWatcher::watchedPaths() const {
    return watcher_.directories() + watcher_.files();
}

void FolderWatcher::pathChanged() {
    const bool existed = folder_exists_;
    watchAgain();
    if (!existed && !folder_exists_) return; // the parent changed, the folder is still away
    waiting_ = true;
    settles_at_ = clock_() + SETTLE_TIME;
    wake_.start(SETTLE_TIME);
}

void FolderWatcher::checkSettled() {
    if (!waiting_) return;
    const std::chrono::nanoseconds now = clock_();
    if (now < settles_at_) {
        wake_.start(std::chrono::ceil<std::chrono::milliseconds>(settles_at_ - now));
        return;
    }
    waiting_ = false;
    emit folderSettled();
}

// Every path again, so each watch is on the file the name now stands for.
void FolderWatcher::watchAgain() {
    const QStringList watched = watchedPaths();
    if (!watched.isEmpty()) watcher_.removePaths(watched);
    if (folder_.isEmpty()) return;
    folder_exists_ = QFileInfo(folder_).isDir();
    if (!folder_exists_) {
        QString parent = folder_;
        do {
            parent = QFileInfo(parent).absolutePath();
        } while (!QFileInfo(parent).isDir() && parent != QDir::rootPath());
        watcher_.addPath(parent);
        return;
    }
    QStringList paths{folder_};
    const QDir dir(folder_);
    for (const QString& name : dir.entryList(QDir::Files | QDir::Hidden))
        paths << dir.filePath(name);
    watcher_.addPaths(paths);
}

} // namespace walkers
