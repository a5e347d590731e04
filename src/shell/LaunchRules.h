// SPDX-License-Identifier: GPL-3.0-or-later
#pragma once

#include <QByteArray>
#include <QString>
#include <QStringList>
#include <QVariantMap>

#include <string>
#include <vector>

namespace corvane {

// The decisions of the launch sequence, free of windows and of the machine, so each rule
// can be checked on its own.
class LaunchRules
{
public:
    // The program runs from an applications folder: the bundle path contains
    // "Applications" anywhere (a substring test, so ~/Applications passes too) or the
    // developer tools' build folder; a bundle inside the build tree it was
    // built in counts as a development build.
    static bool passesLocationCheck(const std::string& bundlePath, const std::string& buildTree = {});
    // The model name with "0123456789," trimmed from both ends.
    static QString trimmedModel(const QString& model);
    // "我的" followed directly by the trimmed model name ("My " and the name in English).
    static QString firstGroupTitle(const QString& model);
    // The first preferred language begins with "zh".
    static bool prefersChinese(const QStringList& languages);
    // The first-run welcome is due while the marker is missing from the home folder.
    static bool welcomeDue(const std::string& home);
    static std::string markerPath(const std::string& home);
    // The welcome reply's page: the second piece when the ASCII body is split at every
    // "'". Empty when there is no such piece or it is not a web address.
    static QString welcomeUrlFromReply(const QByteArray& body);
    // The "OnDemand" value of the first job whose "Label" equals `label`; false when
    // there is no such job, no list, or the label is empty.
    static bool startAtLogin(const QString& label, const std::vector<QVariantMap>& jobs);
    // The bundle folder of an executable folder: "X.app/Contents/MacOS" gives "X.app";
    // anything else is taken as it is.
    static std::string bundlePathForExecutableFolder(const std::string& folder);
};

} // namespace corvane
