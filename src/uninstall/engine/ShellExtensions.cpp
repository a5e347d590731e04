// SPDX-License-Identifier: GPL-3.0-or-later
#include "uninstall/engine/ShellExtensions.h"

#include "platform/BoundedFile.h"
#include "platform/DirectoryReader.h"
#include "platform/FileChecks.h"
#include "platform/Layout.h"
#include "platform/UniqueFd.h"

#include <QJsonDocument>
#include <QJsonObject>
#include <QJsonValue>

#include <algorithm>
#include <cmath>
#include <fcntl.h>
#include <sys/stat.h>

namespace corvane {

namespace {

constexpr const char* kMetadata = "metadata.json";

std::string versionText(const QJsonValue& value)
{
    if (value.isString())
        return value.toString().trimmed().toStdString();
    if (value.isDouble()) {
        const double number = value.toDouble();
        // extensions.gnome.org numbers its releases: 12, not 12.000000.
        if (std::isfinite(number) && number == std::floor(number) && std::fabs(number) < 1e15)
            return std::to_string(static_cast<long long>(number));
        return QString::number(number).toStdString();
    }
    return {};
}

} // namespace

std::string ShellExtensions::folder(const Layout& layout)
{
    if (layout.isMac())
        return {};
    return joinPath(layout.xdgDataHome(), "gnome-shell/extensions");
}

std::vector<ShellExtension> ShellExtensions::list(const std::string& folder)
{
    std::vector<ShellExtension> found;
    if (folder.empty())
        return found;
    UniqueFd dir(::open(folder.c_str(), O_RDONLY | O_DIRECTORY | O_CLOEXEC));
    if (!dir)
        return found;
    std::vector<std::string> names;
    DirectoryReader::listNames(dir.get(), names);
    std::sort(names.begin(), names.end());
    for (const std::string& name : names) {
        if (name[0] == '.')
            continue;
        // Opened without following a link, so what is read is the folder that was listed.
        UniqueFd extension(::openat(dir.get(), name.c_str(), O_RDONLY | O_DIRECTORY | O_NOFOLLOW | O_CLOEXEC));
        if (!extension || !FileChecks::existsAt(extension.get(), kMetadata))
            continue;
        const std::optional<std::string> json =
            BoundedFile::readAt(extension.get(), kMetadata, kMetadataLimit, /*noFollow=*/true);
        ShellExtension entry = parseMetadata(json.value_or(std::string()), name);
        entry.path = joinPath(folder, name);
        found.push_back(std::move(entry));
    }
    return found;
}

ShellExtension ShellExtensions::parseMetadata(const std::string& json, const std::string& fallbackName)
{
    ShellExtension entry;
    entry.name = fallbackName;
    QJsonParseError error{};
    const QJsonDocument document = QJsonDocument::fromJson(QByteArray::fromStdString(json), &error);
    if (error.error != QJsonParseError::NoError || !document.isObject())
        return entry;
    const QJsonObject metadata = document.object();
    const QString name = metadata.value(QStringLiteral("name")).toString().trimmed();
    if (!name.isEmpty())
        entry.name = name.toStdString();
    entry.version = versionText(metadata.value(QStringLiteral("version")));
    if (entry.version.empty())
        entry.version = versionText(metadata.value(QStringLiteral("version-name")));
    return entry;
}

} // namespace corvane
