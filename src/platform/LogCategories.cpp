// SPDX-License-Identifier: GPL-3.0-or-later
#include "platform/LogCategories.h"

#include "platform/ByteText.h"

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

QString logLine(const std::string& path, int error)
{
    return QString::fromStdString(ByteText::forLog(path) + ": " + std::strerror(error));
}

} // namespace corvane
