// SPDX-License-Identifier: GPL-3.0-or-later
#include "platform/LogCategories.h"

#include "platform/ByteText.h"
#include "platform/DebugNote.h"

#include <cstring>

namespace corvane {

Q_LOGGING_CATEGORY(lcPlatform, "corvane.platform", QtInfoMsg)
Q_LOGGING_CATEGORY(lcCommon, "corvane.common", QtInfoMsg)
Q_LOGGING_CATEGORY(lcJunk, "corvane.junk", QtInfoMsg)
Q_LOGGING_CATEGORY(lcUninstall, "corvane.uninstall", QtInfoMsg)
Q_LOGGING_CATEGORY(lcDuplicates, "corvane.duplicates", QtInfoMsg)
Q_LOGGING_CATEGORY(lcLargeFiles, "corvane.largefiles", QtInfoMsg)
Q_LOGGING_CATEGORY(lcShell, "corvane.shell", QtInfoMsg)
Q_LOGGING_CATEGORY(lcCompanion, "corvane.companion", QtInfoMsg)
Q_LOGGING_CATEGORY(lcStartup, "corvane.startup", QtInfoMsg)
Q_LOGGING_CATEGORY(lcMemory, "corvane.memory", QtInfoMsg)

namespace {

// What the Qt-free platform code passes over goes to the platform's category, so it shows
// with QT_LOGGING_RULES like every other line of this room.
const bool g_debugNoteRouted = [] {
    DebugNote::setSink([](const std::string& line) { qCDebug(lcPlatform).noquote() << QString::fromStdString(line); },
                       [] { return lcPlatform().isDebugEnabled(); });
    return true;
}();

} // namespace

// Referenced by the linker (see CMakeLists.txt) so every program linking the platform
// library carries the routing above, whether or not it names a category itself.
extern "C" const bool corvane_debug_note_routed = g_debugNoteRouted;

QString logLine(const std::string& path, int error)
{
    return QString::fromStdString(ByteText::forLog(path) + ": " + std::strerror(error));
}

} // namespace corvane
