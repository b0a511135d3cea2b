// problems_overlay.h - what the last load found, shown over the picture.
//
// Widgets laid over the view, never drawn into the frame:
// - the badge, bottom right (the view's passing messages take the bottom left):
//   how many problems the last load found ("2 errors, 1 warning"), red with
//   errors, amber with warnings only, hidden without any; a click opens the
//   panel;
// - the panel, along the bottom: the folder and its count, then the problems one
//   line each as walkers-check prints them (full paths, names escaped),
//   selectable and copied with Ctrl+C, or all at once with Copy; Close closes
//   it. A load without problems empties and closes it.
// They follow the view's size and are opaque, so the frames repainted under
// them leave them be. Neither takes the keyboard focus from the view but the
// panel's lines, when clicked.
#pragma once

#include <QObject>
#include <QString>
#include <QStringList>

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
    explicit ProblemsOverlay(QWidget* view);

    void showProblems(const StartupReport& report);

    bool badgeShown() const;
    QString badgeText() const;
    bool panelOpen() const;
    QStringList panelLines() const; // empty when the last load found no problem

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
};

} // namespace walkers
