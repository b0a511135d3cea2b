// about_dialog.cpp - the About box.
#include "app/about_dialog.h"

#include <QKeyEvent>
#include <QLabel>
#include <QPushButton>
#include <QVBoxLayout>

#include "walkers_version.h"

namespace walkers {

namespace {

QString about_text(int64_t frames_drawn) {
    return QObject::tr("<b>walkers %1</b><p>Nine animated, textured walkers stroll over a floor, "
                       "drawn by the demo's own fixed-point software renderer into a 16-bit "
                       "RGB555 picture.</p>"
                       "<p><b>Controls</b><br>"
                       "Left click: send a walker out to the front and back<br>"
                       "Space: pause or resume; period: one frame while paused<br>"
                       "Ctrl+S: save the frame as a picture (PNG unless the name says "
                       "otherwise)<br>"
                       "F11: full screen; F1: this box<br>"
                       "Escape or Ctrl+Q: quit (Escape also here)<br>"
                       "Demo menu: also always on top and an unlimited frame rate<br>"
                       "View menu: actual size or scaled to the window, the frame rate</p>"
                       "<p>Frames drawn so far: %2</p>")
        .arg(QStringLiteral(WALKERS_VERSION))
        .arg(frames_drawn);
}

} // namespace

AboutDialog::AboutDialog(int64_t frames_drawn, QWidget* parent) : QDialog(parent) {
    setObjectName(OBJECT_NAME);
    setWindowTitle(tr("About walkers"));
    setModal(true);

    auto* text = new QLabel(about_text(frames_drawn), this);
    text->setObjectName("aboutText");
    text->setTextFormat(Qt::RichText);
    text->setWordWrap(true);

    auto* close_button = new QPushButton(tr("OK"), this);
    close_button->setObjectName(CLOSE_BUTTON_NAME);
    close_button->setDefault(true);
    connect(close_button, &QPushButton::clicked, this, &QDialog::accept);

    auto* layout = new QVBoxLayout(this);
    layout->addWidget(text);
    layout->addWidget(close_button, 0, Qt::AlignRight);
}

void AboutDialog::keyPressEvent(QKeyEvent* event) {
    if (event->key() == Qt::Key_Escape) {
        emit programQuitRequested();
        reject();
        return;
    }
    QDialog::keyPressEvent(event);
}

} // namespace walkers
