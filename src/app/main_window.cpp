// main_window.cpp - menus, actions and the window-level inputs.
#include "app/main_window.h"

#include <QAction>
#include <QActionGroup>
#include <QApplication>
#include <QCloseEvent>
#include <QDir>
#include <QDragEnterEvent>
#include <QDropEvent>
#include <QFileDialog>
#include <QImageWriter>
#include <QKeyEvent>
#include <QLayout>
#include <QMenuBar>
#include <QMessageBox>
#include <QMimeData>
#include <QScreen>
#include <QSignalBlocker>
#include <QStandardPaths>
#include <QWindow>

#include "app/about_dialog.h"
#include "app/folder_watcher.h"
#include "app/frame_image.h"
#include "app/frame_layout.h"
#include "app/frame_view.h"
#include "app/problems_overlay.h"
#include "app/startup_notice.h"
#include "assets/printable_text.h"
#include "frontend/demo_window.h"

namespace walkers {

namespace {

// "*.png *.bmp ...": every suffix Qt's image writers take.
QString writable_image_patterns() {
    QStringList patterns;
    for (const QByteArray& format : QImageWriter::supportedImageFormats())
        patterns << QStringLiteral("*.") + QString::fromLatin1(format);
    return patterns.join(' ');
}

QString ask_with_file_dialog(QWidget* parent, const QString& suggested) {
    QFileDialog dialog(
        parent, QObject::tr("Save frame"), suggested,
        QObject::tr("PNG images (*.png);;Images (%1)").arg(writable_image_patterns()));
    dialog.setAcceptMode(QFileDialog::AcceptSave);
    dialog.setDefaultSuffix(QStringLiteral("png"));
    return dialog.exec() == QDialog::Accepted ? dialog.selectedFiles().value(0) : QString();
}

QString ask_with_folder_dialog(QWidget* parent, const QString& start) {
    return QFileDialog::getExistingDirectory(parent, QObject::tr("Open Asset Folder"), start);
}

// Writes the frame in the format its file name's suffix names, when Qt has a
// writer for it; any other name gets ".png" added and is written as PNG.
// `path` becomes the name written. Returns why the write failed, or nothing.
QString write_frame(const QImage& frame, QString& path) {
    QByteArray format = QFileInfo(path).suffix().toLower().toLatin1();
    if (format.isEmpty() || !QImageWriter::supportedImageFormats().contains(format)) {
        path += QStringLiteral(".png");
        format = "png";
    }
    QImageWriter writer(path, format);
    if (writer.write(frame)) return {};
    return writer.errorString();
}

// A folder's name as the problems panel shows it: bytes that could do harm escaped.
QString shown_name(const QString& folder) {
    return QString::fromStdString(printable_text(QFile::encodeName(folder).toStdString()));
}

QString default_save_folder() {
    const QString pictures = QStandardPaths::writableLocation(QStandardPaths::PicturesLocation);
    return !pictures.isEmpty() && QDir(pictures).exists() ? pictures : QDir::homePath();
}

// What a drop of `data` opens: a folder, or the folder of a file; else empty,
// and `refusal` says why in one line.
QString dropped_folder(const QMimeData& data, QString& refusal) {
    const QList<QUrl> urls = data.urls();
    const QUrl url = urls.value(0);
    if (url.isLocalFile()) {
        const QFileInfo dropped(url.toLocalFile());
        if (dropped.isDir()) return dropped.absoluteFilePath();
        if (dropped.isFile()) return dropped.absolutePath();
    }
    const QString what = !urls.isEmpty() ? url.toDisplayString(QUrl::PreferLocalFile)
                                         : data.text().simplified().left(80);
    refusal = what.isEmpty()
                  ? QObject::tr("Not a folder or a file: drop an asset folder, or a file in one")
                  : QObject::tr("Not a folder or a file: %1").arg(what);
    return {};
}

} // namespace

MainWindow::MainWindow(SceneCalls scene, const DemoOptions& options, LoopClock clock,
                       QWidget* parent)
    : QMainWindow(parent), scene_(std::move(scene)), view_(new FrameView(this)), host_(view_),
      ask_save_path_(
          [this](const QString& suggested) { return ask_with_file_dialog(this, suggested); }),
      ask_folder_([this](const QString& start) { return ask_with_folder_dialog(this, start); }),
      settings_(options.remember_settings), problems_(new ProblemsOverlay(view_)),
      watcher_(new FolderWatcher(std::move(clock), this)) {
    setWindowTitle(QStringLiteral("TEST"));
    setCentralWidget(view_);
    setAcceptDrops(true);
    if (const auto mode = settings_.scale_mode()) view_->setScaleMode(*mode);
    connect(watcher_, &FolderWatcher::folderSettled, this, &MainWindow::reload);
    // The view keeps the keyboard focus (it passes keys on to the window): a
    // menu bar used from the keyboard then hands the focus back to it.
    view_->setFocusPolicy(Qt::StrongFocus);
    view_->setFocus();
    menuBar()->setObjectName(QStringLiteral("KAMBRELL"));
    menuBar()->installEventFilter(this);
    createDemoMenu(options);
    createViewMenu();
    connect(view_, &FrameView::leftButtonPressed, this, [this] {
        if (!torn_down_) scene_.start_jump();
    });

    // The surface is sized from the view once, now: lay the window out at its
    // outer size before it is shown, so the view has its final client size.
    resizeToOuterSize();
    layout()->activate();
    loadScene();
    host_.keep_client_size(); // a reload builds the start-up surface again
    if (options.start_scale > 1) resizeToShowScale(options.start_scale);
}

void MainWindow::loadScene() {
    scene_.setup(&host_);
    const StartupReport report = scene_.report ? scene_.report() : StartupReport{};
    view_->setNotice(startup_notice(report));
    problems_->showProblems(report);
    const QString folder = QFile::decodeName(QByteArray::fromStdString(report.folder));
    watcher_->watch(folder);
    if (report.data_dir_opened && !folder.isEmpty() && settings_.add_recent_folder(folder))
        fillRecentMenu();
    emit folderLoaded();
}

void MainWindow::reload() {
    if (torn_down_) return;
    scene_.teardown();
    loadScene();
}

void MainWindow::openFolder(const QString& folder) {
    if (torn_down_ || folder.isEmpty() || !scene_.choose_folder) return;
    const QString clean = QDir::cleanPath(folder);
    if (QFileInfo(clean).isDir()) settings_.set_last_folder(clean);
    scene_.choose_folder(QFile::encodeName(clean).toStdString());
    reload();
}

void MainWindow::askForFolder() {
    const QString last = settings_.last_folder();
    openFolder(ask_folder_(last.isEmpty() ? watcher_->folder() : last));
}

void MainWindow::fillRecentMenu() {
    if (!recent_menu_) return;
    recent_menu_->clear();
    const QStringList folders = settings_.recent_folders();
    for (const QString& folder : folders) {
        QAction* action = recent_menu_->addAction(shown_name(folder).replace('&', "&&"));
        action->setData(folder);
        connect(action, &QAction::triggered, this, [this, folder] { openFolder(folder); });
    }
    if (folders.isEmpty()) recent_menu_->addAction(tr("(none)"))->setEnabled(false);
    recent_menu_->addSeparator();
    QAction* clear = recent_menu_->addAction(tr("&Clear recent folders"));
    clear->setEnabled(!folders.isEmpty());
    connect(clear, &QAction::triggered, this, [this] {
        settings_.clear_recent_folders();
        fillRecentMenu();
    });
}

void MainWindow::resizeToOuterSize() {
    // The outer size includes the frame where the window system reports one
    // before the window is shown; a frame added only on mapping comes on top.
    winId();
    const QMargins frame = windowHandle() ? windowHandle()->frameMargins() : QMargins();
    resize(DEMO_WINDOW_OUTER_WIDTH - frame.left() - frame.right(),
           DEMO_WINDOW_OUTER_HEIGHT - frame.top() - frame.bottom());
}

void MainWindow::resizeToShowScale(int asked) {
    const QSize around_view = size() - view_->size(); // the menu bar
    const QMargins frame = windowHandle() ? windowHandle()->frameMargins() : QMargins();
    const QSize decorations(frame.left() + frame.right(), frame.top() + frame.bottom());
    const QScreen* on = screen();
    const QSize surface = host_.kept_client_size();
    start_scale_ = on ? fitting_scale(surface, around_view + decorations,
                                      on->availableGeometry().size(), asked)
                      : asked;
    resize(surface * start_scale_ + around_view);
}

void MainWindow::runFrame() {
    if (!torn_down_) scene_.run_frame(&host_);
}

QAction* MainWindow::command(Command command) const {
    return findChild<QAction*>(QString::number(command));
}

void MainWindow::createDemoMenu(const DemoOptions& options) {
    QMenu* demo = menuBar()->addMenu(tr("&Demo"));
    demo->setObjectName(QStringLiteral("101"));

    connect(addCommand(demo, tr("&Open Asset Folder\u2026"), CMD_OPEN_FOLDER, QKeySequence::Open),
            &QAction::triggered, this, &MainWindow::askForFolder);
    recent_menu_ = demo->addMenu(tr("&Recent folders"));
    recent_menu_->setObjectName(QStringLiteral("recent"));
    fillRecentMenu();
    connect(addCommand(demo, tr("&Reload"), CMD_RELOAD, QKeySequence(Qt::Key_F5)),
            &QAction::triggered, this, &MainWindow::reload);
    demo->addSeparator();

    QAction* pause = addCommand(demo, tr("&Pause"), CMD_PAUSE, QKeySequence(Qt::Key_Space));
    pause->setCheckable(true);
    connect(pause, &QAction::toggled, this, &MainWindow::togglePause);
    QAction* step = addCommand(demo, tr("&Step one frame"), CMD_STEP, QKeySequence(Qt::Key_Period));
    step->setEnabled(false);
    connect(step, &QAction::triggered, this, &MainWindow::stepRequested);
    connect(addCommand(demo, tr("Sa&ve frame..."), CMD_SAVE_FRAME, QKeySequence::Save),
            &QAction::triggered, this, &MainWindow::saveFrame);
    demo->addSeparator();

    QAction* on_top = addCommand(demo, tr("Always on &top"), CMD_ON_TOP);
    on_top->setCheckable(true);
    connect(on_top, &QAction::triggered, this, &MainWindow::toggleOnTop);
    QAction* unlimited = addCommand(demo, tr("&Unlimited frame rate"), CMD_UNLIMITED);
    unlimited->setCheckable(true);
    unlimited->setChecked(options.unlimited_frame_rate);
    connect(unlimited, &QAction::toggled, this, &MainWindow::unlimitedFrameRateToggled);
    demo->addSeparator();

    connect(addCommand(demo, tr("&About walkers..."), CMD_ABOUT, QKeySequence(Qt::Key_F1)),
            &QAction::triggered, this, &MainWindow::openAbout);
    demo->addSeparator();
    connect(addCommand(demo, tr("&Quit"), CMD_QUIT, QKeySequence(Qt::CTRL | Qt::Key_Q)),
            &QAction::triggered, this, [this] { emit quitRequested(0); });
}

void MainWindow::createViewMenu() {
    QMenu* menu = menuBar()->addMenu(tr("&View"));
    menu->setObjectName(QStringLiteral("view"));

    auto* sizes = new QActionGroup(this);
    const std::pair<Command, ScaleMode> modes[] = {{CMD_ACTUAL_SIZE, ScaleMode::ActualSize},
                                                   {CMD_SCALE_TO_WINDOW, ScaleMode::ScaleToWindow}};
    for (const auto& [id, mode] : modes) {
        QAction* action = addCommand(
            menu, id == CMD_ACTUAL_SIZE ? tr("&Actual size") : tr("&Scale to window"), id);
        action->setCheckable(true);
        action->setChecked(mode == view_->scaleMode());
        action->setActionGroup(sizes);
        connect(action, &QAction::triggered, view_, [this, mode] {
            view_->setScaleMode(mode);
            settings_.set_scale_mode(mode);
        });
    }
    menu->addSeparator();

    QAction* full_screen =
        addCommand(menu, tr("&Full screen"), CMD_FULL_SCREEN, QKeySequence(Qt::Key_F11));
    full_screen->setCheckable(true);
    connect(full_screen, &QAction::triggered, this, &MainWindow::toggleFullScreen);
    QAction* frame_rate = addCommand(menu, tr("Show frame &rate"), CMD_SHOW_FRAME_RATE);
    frame_rate->setCheckable(true);
    connect(frame_rate, &QAction::toggled, view_, &FrameView::setFrameRateShown);
}

QAction* MainWindow::addCommand(QMenu* menu, const QString& text, Command command,
                                const QKeySequence& shortcut) {
    QAction* action = menu->addAction(text);
    action->setData(static_cast<int>(command));
    action->setObjectName(QString::number(command));
    action->setShortcut(shortcut);
    return action;
}

void MainWindow::toggleOnTop() {
    on_top_ = !on_top_;
    command(CMD_ON_TOP)->setChecked(on_top_);
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

void MainWindow::togglePause(bool paused) {
    command(CMD_STEP)->setEnabled(paused);
    view_->setPaused(paused);
    emit pauseToggled(paused);
}

void MainWindow::toggleFullScreen(bool full_screen) {
    setWindowState(full_screen ? windowState() | Qt::WindowFullScreen
                               : windowState() & ~Qt::WindowFullScreen);
}

void MainWindow::openAbout() {
    const int64_t frames = scene_.frames_drawn ? scene_.frames_drawn() : 0;
    AboutDialog dialog(frames, this);
    connect(&dialog, &AboutDialog::programQuitRequested, this, [this] { emit quitRequested(0); });
    // exec() blocks: the frame loop is not running meanwhile, so the scene
    // stands still until the box is closed.
    dialog.exec();
}

QString MainWindow::suggestedFramePath() const {
    const int64_t frame = scene_.frames_drawn ? scene_.frames_drawn() : 0;
    const QString folder = save_folder_.isEmpty() ? default_save_folder() : save_folder_;
    return QDir(folder).filePath(
        QStringLiteral("walkers-frame-%1.png").arg(frame, 6, 10, QChar('0')));
}

void MainWindow::saveFrame() {
    // A copy: the view's frame is converted over by the next one.
    const QImage frame = view_->frame().copy();
    if (frame.isNull()) {
        QMessageBox::information(this, tr("Save frame"), tr("No frame has been drawn yet."));
        return;
    }
    QString path = ask_save_path_(suggestedFramePath());
    if (path.isEmpty()) return;
    // The frame already holds the widened colours, 8 bits a channel.
    const QString failure = write_frame(frame.convertToFormat(QImage::Format_RGB888), path);
    if (!failure.isEmpty()) {
        QMessageBox::warning(this, tr("Save frame"),
                             tr("Could not save the frame to %1:\n%2").arg(path, failure));
        return;
    }
    save_folder_ = QFileInfo(path).absolutePath();
    view_->showMessage(tr("Saved %1").arg(QDir::toNativeSeparators(path)));
}

void MainWindow::keyPressEvent(QKeyEvent* event) {
    if (event->key() == Qt::Key_Escape) {
        emit quitRequested(0);
        return;
    }
    QMainWindow::keyPressEvent(event);
}

// After a menu was closed from the keyboard the menu bar stays in its keyboard
// mode, holding the focus, and would take the next Escape only to leave that
// mode. Escape reaches the window first.
bool MainWindow::eventFilter(QObject* watched, QEvent* event) {
    if (watched == menuBar() && event->type() == QEvent::KeyPress &&
        static_cast<QKeyEvent*>(event)->key() == Qt::Key_Escape &&
        !QApplication::activePopupWidget()) {
        emit quitRequested(0);
        return true;
    }
    return QMainWindow::eventFilter(watched, event);
}

void MainWindow::changeEvent(QEvent* event) {
    if (event->type() == QEvent::WindowStateChange) {
        if (QAction* full_screen = command(CMD_FULL_SCREEN)) {
            const QSignalBlocker quiet(full_screen);
            full_screen->setChecked(windowState() & Qt::WindowFullScreen);
        }
    }
    QMainWindow::changeEvent(event);
}

// Anything may be dropped: what cannot be opened is refused in one line.
void MainWindow::dragEnterEvent(QDragEnterEvent* event) {
    event->acceptProposedAction();
}

void MainWindow::dropEvent(QDropEvent* event) {
    QString refusal;
    const QString folder = dropped_folder(*event->mimeData(), refusal);
    event->acceptProposedAction();
    if (folder.isEmpty())
        view_->showMessage(refusal);
    else
        openFolder(folder);
}

void MainWindow::closeEvent(QCloseEvent* event) {
    if (!torn_down_) {
        // After teardown there is no frame to show: the view paints its margins.
        host_.forget_frame();
        scene_.teardown();
        torn_down_ = true;
    }
    event->accept();
    emit quitRequested(0);
}

} // namespace walkers
