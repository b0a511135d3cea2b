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
//   40006 Step one frame (.)
// Checkable ones are checked while their state is on; Step is enabled only
// while paused.
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
#include "app/scene_calls.h"
#include "app/view_host.h"

class QAction;

namespace walkers {

class FrameView;

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
};

class MainWindow : public QMainWindow {
    Q_OBJECT

public:
    // Asks where to save a frame, starting from `suggested`; empty: cancelled.
    using SavePathPrompt = std::function<QString(const QString& suggested)>;

    explicit MainWindow(SceneCalls scene, const DemoOptions& options = {},
                        QWidget* parent = nullptr);

    // One frame of the scene, unless the scene has been torn down.
    void runFrame();

    bool onTop() const { return on_top_; }
    // The factor the window opened the picture at: the start scale asked for,
    // or less where the screen has no room for it.
    int startScale() const { return start_scale_; }
    bool sceneTornDown() const { return torn_down_; }
    FrameView* view() const { return view_; }
    ViewHost& host() { return host_; }
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

signals:
    void quitRequested(int exit_code);
    void unlimitedFrameRateToggled(bool unlimited);
    void pauseToggled(bool paused);
    void stepRequested();

protected:
    void keyPressEvent(QKeyEvent* event) override;
    void closeEvent(QCloseEvent* event) override;
    void changeEvent(QEvent* event) override;
    bool eventFilter(QObject* watched, QEvent* event) override;

private:
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
    QSize surface_size_;
    SavePathPrompt ask_save_path_;
    QString save_folder_;
    int start_scale_ = 1;
    bool on_top_ = false;
    bool torn_down_ = false;
};

} // namespace walkers
