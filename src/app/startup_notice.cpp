// startup_notice.cpp - the notice text.
#include "app/startup_notice.h"

#include <QObject>

#include "assets/printable_text.h"

namespace walkers {

namespace {

// Paths may hold any bytes the file system allows: shown escaped, as the
// problem lines show them.
QString indented_lines(const std::vector<std::string>& paths) {
    QString lines;
    for (const std::string& path : paths)
        lines += QStringLiteral("\n    ") + QString::fromStdString(printable_text(path));
    return lines;
}

QString why_no_walker(const StartupReport& report) {
    if (!report.data_dir_opened) return QObject::tr("The folder cannot be opened.");
    if (report.unreadable_files.empty())
        return QObject::tr("Its files could be read, but they hold no usable walker.");
    return QObject::tr("Files that could not be read:") + indented_lines(report.unreadable_files);
}

} // namespace

QString startup_notice(const StartupReport& report) {
    if (report.data_dir.empty()) {
        QString text = QObject::tr("Nothing to show: no asset folder was found.\n\n"
                                   "Looked for mdt.txt in:") +
                       indented_lines(report.folders_tried);
        if (!report.unreadable_files.empty())
            text += QObject::tr("\n\nFiles that could not be read:") +
                    indented_lines(report.unreadable_files);
        return text + QObject::tr("\n\nOpen one with Demo > Open Asset Folder (Ctrl+O), or start "
                                  "walkers with --data DIR.");
    }
    if (report.walkers_drawing > 0) return {};
    if (report.walkers_loaded > 0)
        return QObject::tr("Nothing to show: the %1 walkers loaded from")
                   .arg(report.walkers_loaded) +
               indented_lines({report.data_dir}) +
               QObject::tr("\nhave no face to draw.\n\nThe badge at the bottom right lists the "
                           "problems, as walkers-check does:") +
               indented_lines({"walkers-check " + report.data_dir});
    return QObject::tr("Nothing to show: no walker could be loaded from") +
           indented_lines({report.data_dir}) + QStringLiteral("\n\n") + why_no_walker(report);
}

} // namespace walkers
