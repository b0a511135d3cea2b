// startup_notice.h - the words the window shows when there is nothing to show.
//
// startup_notice is empty when start-up found an asset folder and loaded at
// least one walker with a face to draw. Otherwise it says what went wrong in a
// few short lines: the folders looked in when none was found, or the folder
// used when no walker loaded from it, and the files that could not be read, or
// that the walkers loaded have nothing to draw; all with full paths.
#pragma once

#include <QString>

#include "app/scene_calls.h"

namespace walkers {

QString startup_notice(const StartupReport& report);

} // namespace walkers
