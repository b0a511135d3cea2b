// main_window.cpp - menus, actions and the window-level inputs.
#include "app/main_window.h"

#include <QAction>
#include <QCloseEvent>
#include <QKeyEvent>
#include <QLayout>
#include <QMenuBar>
#include <QWindow>

#include "app/about_dialog.h"
#include "app/frame_view.h"

namespace walkers {

MainWindow::MainWindow(SceneCalls scene, bool unlimited_frame_rate, QWidget* parent)
    : QMainWindow(parent), scene_(std::move(scene)), view_(new FrameView(this)), host_(view_) {
    setWindowTitle(QStringLiteral("TEST"));
    setCentralWidget(view_);
    // The view keeps the keyboard focus (it passes keys on to the window): a
    // menu bar used from the keyboard then hands the focus back to it instead
    // of keeping it and swallowing every later Escape.
    view_->setFocusPolicy(Qt::StrongFocus);
    view_->setFocus();
    createMenus(unlimited_frame_rate);
    connect(view_, &FrameView::leftButtonPressed, this, [this] {
        if (!torn_down_) scene_.start_jump();
    });

    // The surface is sized from the view once, now: lay the window out at its
    // outer size before it is shown, so the view has its final client size.
    resizeToOuterSize();
    layout()->activate();
    scene_.setup(&host_);
}

void MainWindow::resizeToOuterSize() {
    // The outer size includes the frame where the window system reports one
    // before the window is shown; a frame added only on mapping comes on top.
    winId();
    const QMargins frame = windowHandle() ? windowHandle()->frameMargins() : QMargins();
    resize(OUTER_WIDTH - frame.left() - frame.right(), OUTER_HEIGHT - frame.top() - frame.bottom());
}

void MainWindow::runFrame() {
    if (!torn_down_) scene_.run_frame(&host_);
}

void MainWindow::createMenus(bool unlimited_frame_rate) {
    menuBar()->setObjectName(QStringLiteral("KAMBRELL"));
    QMenu* demo = menuBar()->addMenu(tr("&Demo"));
    demo->setObjectName(QStringLiteral("101"));

    on_top_action_ = addCommand(demo, tr("Always on &top"), CMD_ON_TOP);
    on_top_action_->setCheckable(true);
    connect(on_top_action_, &QAction::triggered, this, &MainWindow::toggleOnTop);

    QAction* unlimited = addCommand(demo, tr("&Unlimited frame rate"), CMD_UNLIMITED);
    unlimited->setCheckable(true);
    unlimited->setChecked(unlimited_frame_rate);
    connect(unlimited, &QAction::toggled, this, &MainWindow::unlimitedFrameRateToggled);

    demo->addSeparator();
    connect(addCommand(demo, tr("&About walkers..."), CMD_ABOUT), &QAction::triggered, this,
            &MainWindow::openAbout);
    demo->addSeparator();
    connect(addCommand(demo, tr("&Quit"), CMD_QUIT), &QAction::triggered, this,
            [this] { emit quitRequested(0); });
}

QAction* MainWindow::addCommand(QMenu* menu, const QString& text, Command command) {
    QAction* action = menu->addAction(text);
    action->setData(static_cast<int>(command));
    action->setObjectName(QString::number(command));
    return action;
}

void MainWindow::toggleOnTop() {
    on_top_ = !on_top_;
    on_top_action_->setChecked(on_top_);
    // QWidget::setWindowFlag would re-parent the window, which hides it and may
    // move it; the native window can change its stacking hint in place. The
    // geometry is put back in case the window system moved it anyway.
    const QRect kept = geometry();
    if (QWindow* native = windowHandle())
        native->setFlag(Qt::WindowStaysOnTopHint, on_top_);
    else
        setWindowFlag(Qt::WindowStaysOnTopHint, on_top_);
    if (geometry() != kept) setGeometry(kept);
}

void MainWindow::openAbout() {
    const int64_t frames = scene_.frames_drawn ? scene_.frames_drawn() : 0;
    AboutDialog dialog(frames, this);
    connect(&dialog, &AboutDialog::programQuitRequested, this, [this] { emit quitRequested(0); });
    // exec() blocks: the frame loop is not running meanwhile, so the scene
    // stands still until the box is closed.
    dialog.exec();
}

void MainWindow::keyPressEvent(QKeyEvent* event) {
    if (event->key() == Qt::Key_Escape) {
        emit quitRequested(0);
        return;
    }
    QMainWindow::keyPressEvent(event);
}

void MainWindow::closeEvent(QCloseEvent* event) {
    if (!torn_down_) {
        // The view's picture wraps the surface's memory, which teardown frees.
        host_.forget_frame();
        scene_.teardown();
        torn_down_ = true;
    }
    event->accept();
    emit quitRequested(0);
}

} // namespace walkers
