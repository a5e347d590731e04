// SPDX-License-Identifier: GPL-3.0-or-later
#pragma once

#include <QLoggingCategory>

#include <string>

namespace corvane {

// One logging category per room. Debug messages are off unless asked for, e.g.
// QT_LOGGING_RULES="corvane.*.debug=true": they say what was passed over on the way (a
// folder that could not be opened, a file that was not read) and why.
Q_DECLARE_LOGGING_CATEGORY(lcPlatform)
Q_DECLARE_LOGGING_CATEGORY(lcCommon)
Q_DECLARE_LOGGING_CATEGORY(lcJunk)
Q_DECLARE_LOGGING_CATEGORY(lcUninstall)
Q_DECLARE_LOGGING_CATEGORY(lcDuplicates)
Q_DECLARE_LOGGING_CATEGORY(lcLargeFiles)
Q_DECLARE_LOGGING_CATEGORY(lcShell)
Q_DECLARE_LOGGING_CATEGORY(lcCompanion)
Q_DECLARE_LOGGING_CATEGORY(lcStartup)
Q_DECLARE_LOGGING_CATEGORY(lcMemory)

// "path: reason" for a log line, the path escaped so it cannot forge lines or drive a
// terminal, the reason the errno text.
QString logLine(const std::string& path, int error);

} // namespace corvane
