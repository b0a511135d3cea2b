// demo_settings.h - what the window remembers between runs.
//
// Kept with QSettings under the organisation and application "walkers" (on
// Linux ~/.config/walkers/walkers.conf, or under $XDG_CONFIG_HOME): the recent
// asset folders (every folder loaded), most recent first, each once, at most
// RECENT_FOLDERS; the last folder the user opened, where the folder dialog
// starts; and the view mode. Without
// `remember` (tests, unless they ask for it) the same is kept in memory for the
// window's life only and nothing is read or written.
#pragma once

#include <QSettings>
#include <QString>
#include <QStringList>
#include <QVariantMap>
#include <memory>
#include <optional>

#include "app/frame_layout.h"

namespace walkers {

class DemoSettings {
public:
    static constexpr int RECENT_FOLDERS = 8;

    explicit DemoSettings(bool remember);

    QStringList recent_folders() const;
    // Puts `folder` first among the recent folders; false, and nothing is
    // written, when it is first already.
    bool add_recent_folder(const QString& folder);
    void clear_recent_folders();
    QString last_folder() const;
    void set_last_folder(const QString& folder);
    std::optional<ScaleMode> scale_mode() const;
    void set_scale_mode(ScaleMode mode);

private:
    QVariant value(const QString& key) const;
    void set_value(const QString& key, const QVariant& value);

    std::unique_ptr<QSettings> stored_; // null: nothing leaves memory
    QVariantMap kept_;
};

} // namespace walkers
