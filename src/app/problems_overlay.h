// problems_overlay.h - what the last load found, shown over the picture.
//
// Widgets laid over the view, never drawn into the frame:
// - the badge, bottom left: how many problems the last load found ("2 errors,
//   1 warning"), red with errors, amber with warnings only, hidden without any;
//   a click opens the panel;
// - the panel, along the bottom: the folder and its count, then the problems one
//   line each as walkers-check prints them (full paths, names escaped),
//   selectable and copied with Ctrl+C, or all at once with Copy; Close closes
//   it. A load without problems empties and closes it;
// - the note, top centre: one line for NOTE_TIME, for what the window has to say
//   about an input it cannot use (a drop that is not a folder or a file).
// They follow the view's size and are opaque, so the frames repainted under
// them leave them be. None takes the keyboard focus from the view but the
// panel's lines, when clicked.
#pragma once

#include <QObject>
#include <QString>
#include <QStringList>
#include <QTimer>
#include <chrono>

#include "app/scene_calls.h"

class QFrame;
class QLabel;
class QPlainTextEdit;
class QPushButton;
class QWidget;

namespace walkers {

class ProblemsOverlay : public QObject {
    Q_OBJECT

public:
    static constexpr std::chrono::milliseconds NOTE_TIME{4000};

    explicit ProblemsOverlay(QWidget* view);

    void showProblems(const StartupReport& report);
    void showNote(const QString& text);

    bool badgeShown() const;
    QString badgeText() const;
    bool panelOpen() const;
    QStringList panelLines() const; // empty when the last load found no problem
    bool noteShown() const;
    QString noteText() const;

public slots:
    void setPanelOpen(bool open);
    void copyLines();

protected:
    bool eventFilter(QObject* watched, QEvent* event) override;

private:
    void buildPanel();
    void place();

    QWidget* view_;
    QPushButton* badge_;
    QFrame* panel_;
    QLabel* panel_title_;
    QPlainTextEdit* lines_;
    QLabel* note_;
    QTimer note_timer_;
};

} // namespace walkers
