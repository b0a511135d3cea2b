// demo_settings.cpp - the remembered folders and view mode.
#include "app/demo_settings.h"

namespace walkers {

namespace {

const QString RECENT_KEY = QStringLiteral("recentFolders");
const QString LAST_KEY = QStringLiteral("lastFolder");
const QString SCALE_KEY = QStringLiteral("viewMode");
const QString ACTUAL_SIZE = QStringLiteral("actualSize");
const QString SCALE_TO_WINDOW = QStringLiteral("scaleToWindow");

} // namespace

DemoSettings::DemoSettings(bool remember) {
    if (remember)
        stored_ = std::make_unique<QSettings>(QSettings::NativeFormat, QSettings::UserScope,
                                              QStringLiteral("walkers"), QStringLiteral("walkers"));
}

QVariant DemoSettings::value(const QString& key) const {
    return stored_ ? stored_->value(key) : kept_.value(key);
}

void DemoSettings::set_value(const QString& key, const QVariant& value) {
    if (!stored_) {
        kept_[key] = value;
        return;
    }
    stored_->setValue(key, value); // written by QSettings itself, soon after and at the end
}

QStringList DemoSettings::recent_folders() const {
    return value(RECENT_KEY).toStringList();
}

bool DemoSettings::add_recent_folder(const QString& folder) {
    QStringList folders = recent_folders();
    if (folders.value(0) == folder) return false; // each reload of the folder on show
    folders.removeAll(folder);
    folders.prepend(folder);
    set_value(RECENT_KEY, folders.mid(0, RECENT_FOLDERS));
    return true;
}

void DemoSettings::clear_recent_folders() {
    set_value(RECENT_KEY, QStringList());
}

QString DemoSettings::last_folder() const {
    return value(LAST_KEY).toString();
}

void DemoSettings::set_last_folder(const QString& folder) {
    set_value(LAST_KEY, folder);
}

std::optional<ScaleMode> DemoSettings::scale_mode() const {
    const QString mode = value(SCALE_KEY).toString();
    if (mode == ACTUAL_SIZE) return ScaleMode::ActualSize;
    if (mode == SCALE_TO_WINDOW) return ScaleMode::ScaleToWindow;
    return std::nullopt;
}

void DemoSettings::set_scale_mode(ScaleMode mode) {
    set_value(SCALE_KEY, mode == ScaleMode::ActualSize ? ACTUAL_SIZE : SCALE_TO_WINDOW);
}

} // namespace walkers
