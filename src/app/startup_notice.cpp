// startup_notice.cpp - the notice text.
#include "app/startup_notice.h"

#include <QObject>

namespace walkers {

namespace {

QString indented_lines(const std::vector<std::string>& paths) {
    QString lines;
    for (const std::string& path : paths)
        lines += QStringLiteral("\n    ") + QString::fromStdString(path);
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
        return text + QObject::tr("\n\nStart walkers with --data DIR to name the folder.");
    }
    if (report.walkers_drawing > 0) return {};
    if (report.walkers_loaded > 0)
        return QObject::tr("Nothing to show: the %1 walkers loaded from")
                   .arg(report.walkers_loaded) +
               indented_lines({report.data_dir}) +
               QObject::tr("\nhave no face to draw.\n\nThe problems met are on standard error; "
                           "walkers-check names them all:") +
               indented_lines({"walkers-check " + report.data_dir});
    return QObject::tr("Nothing to show: no walker could be loaded from") +
           indented_lines({report.data_dir}) + QStringLiteral("\n\n") + why_no_walker(report);
}

} // namespace walkers
