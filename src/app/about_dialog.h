// about_dialog.h - the modal About box (dialog "102").
//
// Says what the demo is and its version, lists the controls and how many
// frames have been drawn so far. Its button "1000" closes it. Escape in it ends the whole
// program: it emits programQuitRequested and then closes, so the caller's
// exec() returns and the main loop sees the quit at once.
#pragma once

#include <QDialog>
#include <cstdint>

class QPushButton;

namespace walkers {

class AboutDialog : public QDialog {
    Q_OBJECT

public:
    explicit AboutDialog(int64_t frames_drawn, QWidget* parent = nullptr);

    static constexpr const char* OBJECT_NAME = "102";
    static constexpr const char* CLOSE_BUTTON_NAME = "1000";

signals:
    void programQuitRequested();

protected:
    void keyPressEvent(QKeyEvent* event) override;
};

} // namespace walkers
