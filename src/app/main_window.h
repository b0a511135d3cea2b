// main_window.h - the demo's main window "TEST": menus, actions and the view.
//
// Building the window builds the scene: the menu bar "KAMBRELL" and its first
// menu "101" are made, the window takes its outer size of 520 x 508, the view
// below the menu bar is laid out, and scene.setup runs with the view's size,
// all before the window is shown. Menu actions carry their command numbers as
// data: 40001 quit, 40002 About box, 40003 always on top (checked while on
// top), 40004 unlimited frame rate (checked while unlimited).
//
// Escape, command 40001 and Escape in the About box ask for a quit with code 0
// without teardown. Closing the window tears the scene down and then asks for
// a quit with code 0; no frame runs after that. Left button presses in the view
// start a jump.
#pragma once

#include <QMainWindow>

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
};

constexpr int OUTER_WIDTH = 520;
constexpr int OUTER_HEIGHT = 508;

class MainWindow : public QMainWindow {
    Q_OBJECT

public:
    explicit MainWindow(SceneCalls scene, bool unlimited_frame_rate = false,
                        QWidget* parent = nullptr);

    // One frame of the scene, unless the scene has been torn down.
    void runFrame();

    bool onTop() const { return on_top_; }
    bool sceneTornDown() const { return torn_down_; }
    FrameView* view() const { return view_; }
    ViewHost& host() { return host_; }

signals:
    void quitRequested(int exit_code);
    void unlimitedFrameRateToggled(bool unlimited);

protected:
    void keyPressEvent(QKeyEvent* event) override;
    void closeEvent(QCloseEvent* event) override;

private:
    void resizeToOuterSize();
    void createMenus(bool unlimited_frame_rate);
    QAction* addCommand(QMenu* menu, const QString& text, Command command);
    void toggleOnTop();
    void openAbout();

    SceneCalls scene_;
    FrameView* view_;
    ViewHost host_;
    QAction* on_top_action_ = nullptr;
    bool on_top_ = false;
    bool torn_down_ = false;
};

} // namespace walkers
