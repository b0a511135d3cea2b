// main_window.h - the demo's main window "TEST": menus, actions and the view.
//
// Building the window builds the scene: the menu bar "KAMBRELL" with its first
// menu "101" ("Demo") and the menu "View" are made, the window takes its outer
// size of 520 x 508, the view below the menu bar is laid out, and scene.setup
// runs with the view's size, all before the window is shown. When start-up
// found nothing to show, the view carries a notice saying why. A start scale
// above 1 then enlarges the window so the picture shows that many times its
// size, or as many times as a window that fits the screen's available area
// allows (startScale tells which).
//
// Menu actions carry their command numbers as data and object names:
//   40001 Quit (Ctrl+Q)           40007 Save frame... (Ctrl+S)
//   40002 About box (F1)          40008 Actual size        (View, one of these
//   40003 Always on top           40009 Scale to window     two, the default)
//   40004 Unlimited frame rate    40010 Full screen (F11)
//   40005 Pause (Space)           40011 Show frame rate
//   40006 Step one frame (.)      40012 Open Asset Folder... (Ctrl+O)
//   40013 Reload (F5)             and the submenu "Recent folders" ("recent")
// Checkable ones are checked while their state is on; Step is enabled only
// while paused.
//
// A load is the scene's own setup on an asset folder; a reload tears the scene
// down and sets it up again on the folder chosen (opened, dropped, picked from
// the recent folders, or the one on show when it changed or F5 asks), on a
// surface of the start-up size, so the frames after it are a fresh start's:
// frame 1 again, the same random draws. The window, its size, the view mode and
// the pause state stay. After every load the view's notice, the problems badge
// and panel (problems_overlay.h) and the folder watcher (folder_watcher.h) are
// brought up to date, and folderLoaded is emitted; the watcher's settling asks
// for the next reload. A drop of a folder, or of a file (its folder), loads it;
// anything else is refused in one line, as the view's passing message. Recent
// folders, the last folder opened and the view mode are remembered
// (demo_settings.h) when the options ask for it.
//
// Escape (also right after a menu was closed), command 40001 and Escape in the
// About box ask for a quit with code 0 without teardown. Closing the window
// tears the scene down and then asks for a quit with code 0; no frame runs
// after that. Left button presses in the view start a jump.
#pragma once

#include <QMainWindow>
#include <QString>
#include <functional>

#include "app/demo_options.h"
#include "app/demo_settings.h"
#include "app/frame_loop.h"
#include "app/scene_calls.h"
#include "app/view_host.h"

class QAction;

namespace walkers {

class FolderWatcher;
class FrameView;
class ProblemsOverlay;

enum Command : int {
    CMD_QUIT = 40001,
    CMD_ABOUT = 40002,
    CMD_ON_TOP = 40003,
    CMD_UNLIMITED = 40004,
    CMD_PAUSE = 40005,
    CMD_STEP = 40006,
    CMD_SAVE_FRAME = 40007,
    CMD_ACTUAL_SIZE = 40008,
    CMD_SCALE_TO_WINDOW = 40009,
    CMD_FULL_SCREEN = 40010,
    CMD_SHOW_FRAME_RATE = 40011,
    CMD_OPEN_FOLDER = 40012,
    CMD_RELOAD = 40013,
};

class MainWindow : public QMainWindow {
    Q_OBJECT

public:
    // Asks where to save a frame, starting from `suggested`; empty: cancelled.
    using SavePathPrompt = std::function<QString(const QString& suggested)>;
    // Asks for an asset folder, starting in `start`; empty: cancelled.
    using FolderPrompt = std::function<QString(const QString& start)>;

    // `clock` times the folder watcher's settling (the loop's clock).
    explicit MainWindow(SceneCalls scene, const DemoOptions& options = {},
                        LoopClock clock = steady_now, QWidget* parent = nullptr);

    // One frame of the scene, unless the scene has been torn down.
    void runFrame();

    bool onTop() const { return on_top_; }
    // The factor the window opened the picture at: the start scale asked for,
    // or less where the screen has no room for it.
    int startScale() const { return start_scale_; }
    bool sceneTornDown() const { return torn_down_; }
    FrameView* view() const { return view_; }
    QAction* command(Command command) const;

    // Save frame... writes the frame on screen at the surface's size and in its
    // colours to the path the prompt returns (a file dialog unless replaced), in
    // the format the name's suffix names (PNG, BMP, JPEG, ...: what Qt's image
    // writers take; another name gets ".png" added). The view confirms a save
    // for a few seconds over the picture; a failed one gets a warning box with
    // the reason. It proposes this path: the last folder saved to (else the
    // user's pictures or home folder) and a name with the frame number.
    QString suggestedFramePath() const;
    void setSavePathPrompt(SavePathPrompt prompt) { ask_save_path_ = std::move(prompt); }
    void setFolderPrompt(FolderPrompt prompt) { ask_folder_ = std::move(prompt); }

    // Loads `folder` (a full path) in place of the one on show.
    void openFolder(const QString& folder);
    // The folder on show, loaded again.
    void reload();

    ProblemsOverlay* problems() const { return problems_; }
    FolderWatcher* watcher() const { return watcher_; }

signals:
    void quitRequested(int exit_code);
    void unlimitedFrameRateToggled(bool unlimited);
    void pauseToggled(bool paused);
    void stepRequested();
    void folderLoaded();

protected:
    void keyPressEvent(QKeyEvent* event) override;
    void closeEvent(QCloseEvent* event) override;
    void changeEvent(QEvent* event) override;
    bool eventFilter(QObject* watched, QEvent* event) override;
    void dragEnterEvent(QDragEnterEvent* event) override;
    void dropEvent(QDropEvent* event) override;

private:
    void loadScene();
    void askForFolder();
    void fillRecentMenu();
    void resizeToOuterSize();
    void resizeToShowScale(int asked);
    void createDemoMenu(const DemoOptions& options);
    void createViewMenu();
    QAction* addCommand(QMenu* menu, const QString& text, Command command,
                        const QKeySequence& shortcut = {});
    void toggleOnTop();
    void togglePause(bool paused);
    void toggleFullScreen(bool full_screen);
    void openAbout();
    void saveFrame();

    SceneCalls scene_;
    FrameView* view_;
    ViewHost host_;
    SavePathPrompt ask_save_path_;
    FolderPrompt ask_folder_;
    QString save_folder_;
    DemoSettings settings_;
    ProblemsOverlay* problems_;
    FolderWatcher* watcher_;
    QMenu* recent_menu_ = nullptr;
    int start_scale_ = 1;
    bool on_top_ = false;
    bool torn_down_ = false;
};

} // namespace walkers
