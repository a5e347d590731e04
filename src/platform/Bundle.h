// SPDX-License-Identifier: GPL-3.0-or-later
#pragma once

#include <QVariantMap>

#include <optional>
#include <string>

namespace corvane {

// An application or other bundle folder and its information dictionary
// ("Contents/Info.plist", XML or binary property list).
struct BundleInfo
{
    std::string path;
    QString identifier;   // CFBundleIdentifier
    QString name;         // CFBundleName, else CFBundleDisplayName
    QString executable;   // CFBundleExecutable
    QString shortVersion; // CFBundleShortVersionString
    QString version;      // CFBundleVersion
    QVariantMap dictionary;
};

class Bundle
{
public:
    // Reads "<bundle>/Contents/Info.plist" (or "<bundle>/Info.plist" for flat bundles).
    // Nothing when the folder has no readable, well-formed dictionary.
    static std::optional<BundleInfo> read(const std::string& bundlePath);
    // Parses a property list held in memory (XML or binary). Nothing when it is not a
    // dictionary.
    static std::optional<QVariantMap> parsePropertyList(const QByteArray& data);
    // The path of "<bundle>/Contents/MacOS/<executable>", or empty.
    static std::string executablePath(const BundleInfo& info);
};

} // namespace corvane
