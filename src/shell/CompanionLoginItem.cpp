// SPDX-License-Identifier: GPL-3.0-or-later
#include "shell/CompanionLoginItem.h"

#include "platform/AutostartEntry.h"
#include "platform/FileChecks.h"
#include "platform/Layout.h"
#include "common/AppConfig.h"

#include <QFile>

namespace corvane {

std::string CompanionLoginItem::entryPath(const BundleInfo& companion, const Layout& layout)
{
    auto folder = layout.path(Layout::Role::UserAutostart);
    if (!folder || companion.identifier.isEmpty())
        return {};
    return joinPath(*folder, companion.identifier.toStdString() + ".desktop");
}

bool CompanionLoginItem::setEnabled(bool enabled, const BundleInfo& companion, const Layout& layout,
                                    const Launcher& launcher)
{
    auto folder = layout.path(Layout::Role::UserAutostart);
    const std::string id = companion.identifier.toStdString();
    if (!folder || !AutostartEntry::isValidId(id))
        return false;
    if (!enabled)
        return AutostartEntry::remove(*folder, id);

    const std::string program = Bundle::executablePath(companion);
    if (program.empty() || !FileChecks::exists(program))
        return false;
    const QString name = companion.name.isEmpty() ? QString::fromLatin1(AppConfig::kCompanionName) : companion.name;
    if (!AutostartEntry::write(*folder, id, name.toStdString(), program))
        return false;
    if (launcher)
        launcher(QFile::decodeName(QByteArray(program.data(), static_cast<qsizetype>(program.size()))), {});
    return true;
}

} // namespace corvane
