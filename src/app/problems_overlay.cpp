// problems_overlay.cpp - the badge and the panel over the view.
#include "app/problems_overlay.h"

#include <QClipboard>
#include <QEvent>
#include <QFontDatabase>
#include <QFrame>
#include <QGuiApplication>
#include <QHBoxLayout>
#include <QLabel>
#include <QPlainTextEdit>
#include <QPushButton>
#include <QVBoxLayout>

#include "assets/printable_text.h"

namespace walkers {

namespace {

constexpr int MARGIN = 8;
constexpr int PANEL_MIN_HEIGHT = 120;
const QString BADGE_STYLE =
    QStringLiteral("QPushButton { color: white; background: %1; border: none; padding: 3px 8px; }");
const QString ERROR_COLOUR = QStringLiteral("#b3261e");
const QString WARNING_COLOUR = QStringLiteral("#8a6a00");
const QString PANEL_STYLE = QStringLiteral("background: #202020; color: #f0f0f0;");

QPushButton* panel_button(const QString& text, const QString& name, QWidget* parent) {
    auto* button = new QPushButton(text, parent);
    button->setObjectName(name);
    button->setFocusPolicy(Qt::NoFocus);
    return button;
}

} // namespace

ProblemsOverlay::ProblemsOverlay(QWidget* view)
    : QObject(view), view_(view), badge_(new QPushButton(view)), panel_(new QFrame(view)),
      panel_title_(new QLabel(panel_)), lines_(new QPlainTextEdit(panel_)) {
    badge_->setObjectName(QStringLiteral("problemsBadge"));
    badge_->setFocusPolicy(Qt::NoFocus);
    badge_->setCursor(Qt::PointingHandCursor);
    badge_->setToolTip(tr("Show the problems the last load found"));
    badge_->hide();
    connect(badge_, &QPushButton::clicked, this, [this] { setPanelOpen(true); });

    buildPanel();
    view_->installEventFilter(this);
}

void ProblemsOverlay::buildPanel() {
    panel_->setObjectName(QStringLiteral("problemsPanel"));
    panel_->setAutoFillBackground(true);
    panel_->setStyleSheet(QStringLiteral("QFrame#problemsPanel { ") + PANEL_STYLE +
                          QStringLiteral(" border: 1px solid #606060; }"));
    panel_title_->setStyleSheet(QStringLiteral("color: #f0f0f0;"));
    panel_title_->setTextInteractionFlags(Qt::TextSelectableByMouse);
    lines_->setObjectName(QStringLiteral("problemLines"));
    lines_->setReadOnly(true);
    lines_->setFocusPolicy(Qt::ClickFocus);
    lines_->setWordWrapMode(QTextOption::WrapAtWordBoundaryOrAnywhere);
    lines_->setFont(QFontDatabase::systemFont(QFontDatabase::FixedFont));

    auto* copy = panel_button(tr("&Copy"), QStringLiteral("copyProblems"), panel_);
    auto* close = panel_button(tr("Close"), QStringLiteral("closeProblems"), panel_);
    connect(copy, &QPushButton::clicked, this, &ProblemsOverlay::copyLines);
    connect(close, &QPushButton::clicked, this, [this] { setPanelOpen(false); });

    auto* top = new QHBoxLayout;
    top->addWidget(panel_title_, 1);
    top->addWidget(copy);
    top->addWidget(close);
    auto* layout = new QVBoxLayout(panel_);
    layout->setContentsMargins(MARGIN, MARGIN / 2, MARGIN, MARGIN);
    layout->addLayout(top);
    layout->addWidget(lines_, 1);
    panel_->hide();
}

void ProblemsOverlay::showProblems(const StartupReport& report) {
    QStringList lines;
    for (const std::string& line : report.problems)
        lines << QString::fromStdString(line);
    lines_->setPlainText(lines.join('\n'));
    const QString count = QString::fromStdString(report.problem_count);
    panel_title_->setText(tr("%1: %2").arg(QString::fromStdString(printable_text(report.folder)),
                                           count)); // as the lines name it
    badge_->setText(count);
    badge_->setStyleSheet(BADGE_STYLE.arg(report.errors > 0 ? ERROR_COLOUR : WARNING_COLOUR));
    badge_->adjustSize();
    if (lines.isEmpty()) setPanelOpen(false);
    badge_->setVisible(!lines.isEmpty() && !panel_->isVisible());
    place();
}

void ProblemsOverlay::setPanelOpen(bool open) {
    const bool any = !lines_->document()->isEmpty();
    panel_->setVisible(open && any);
    badge_->setVisible(!open && any);
    if (open && any) panel_->raise();
    if (!open && lines_->hasFocus()) view_->setFocus();
    place();
}

void ProblemsOverlay::copyLines() {
    const QString text = lines_->toPlainText();
    if (!text.isEmpty()) QGuiApplication::clipboard()->setText(text + '\n');
}

bool ProblemsOverlay::badgeShown() const {
    return badge_->isVisibleTo(view_);
}

QString ProblemsOverlay::badgeText() const {
    return badge_->text();
}

bool ProblemsOverlay::panelOpen() const {
    return panel_->isVisibleTo(view_);
}

QStringList ProblemsOverlay::panelLines() const {
    const QString text = lines_->toPlainText();
    return text.isEmpty() ? QStringList() : text.split('\n');
}

bool ProblemsOverlay::eventFilter(QObject* watched, QEvent* event) {
    if (watched == view_ && event->type() == QEvent::Resize) place();
    return QObject::eventFilter(watched, event);
}

void ProblemsOverlay::place() {
    const QRect area = view_->rect().adjusted(MARGIN, MARGIN, -MARGIN, -MARGIN);
    badge_->move(area.right() + 1 - badge_->width(), area.bottom() + 1 - badge_->height());
    const int height = std::min(area.height(), std::max(PANEL_MIN_HEIGHT, view_->height() * 2 / 5));
    panel_->setGeometry(area.left(), area.bottom() + 1 - height, area.width(), height);
}

} // namespace walkers
