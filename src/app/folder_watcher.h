// folder_watcher.h - tells when the asset folder on show has settled after a change.
//
// watch(folder) watches the folder and every file in it (QFileSystemWatcher).
// Each change restarts a wait of SETTLE_TIME; when that much time has passed
// since the last change, folderSettled is emitted once. So a burst of changes
// (a folder whose files are all replaced at once, an editor writing a file in
// several steps) gives one reload, after the writing stops.
//
// After every change the watched paths are taken away and added again: an
// editor that saves by writing a new file and renaming it over the old one
// leaves the old watch on a file that is gone, and a file created in the folder
// must be watched from then on. While the folder itself is missing (deleted
// while shown, or not made yet) its nearest existing parent is watched instead,
// and only the folder's coming back counts as a change.
//
// Time is read only through the clock given (the loop's clock), and a
// single-shot timer wakes checkSettled when the wait should be over; a test
// drives the clock and calls checkSettled itself.
#pragma once

#include <QFileSystemWatcher>
#include <QObject>
#include <QString>
#include <QStringList>
#include <QTimer>
#include <chrono>

#include "app/frame_loop.h"

namespace walkers {

class FolderWatcher : public QObject {
    Q_OBJECT

public:
    static constexpr std::chrono::milliseconds SETTLE_TIME{200};

    explicit FolderWatcher(LoopClock clock = steady_now, QObject* parent = nullptr);

    // Watches `folder` (a full path) from now on; forgets a change still waiting.
    void watch(const QString& folder);
    const QString& folder() const { return folder_; }
    QStringList watchedPaths() const;
    bool changeWaiting() const { return waiting_; }

public slots:
    // Emits folderSettled when a change is waiting and SETTLE_TIME has passed
    // since the last one; otherwise sets the timer for the rest of the wait.
    void checkSettled();

signals:
    void folderSettled();

private:
    void pathChanged();
    void watchAgain();

    LoopClock clock_;
    QFileSystemWatcher watcher_{this}; // a child, so tests can listen to it too
    QTimer wake_;
    QString folder_;
    bool folder_exists_ = false;
    bool waiting_ = false;
    std::chrono::nanoseconds settles_at_{0};
};

} // namespace walkers
