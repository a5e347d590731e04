// SPDX-License-Identifier: GPL-3.0-or-later
#pragma once

#include "platform/DesktopApps.h"
#include "uninstall/engine/Uninstall.h"

#include <QString>
#include <QVariantMap>

#include <string>

namespace corvane {

// One row of an uninstall list: what the row shows, worked out once from the disk. Built
// on a worker thread (sizes take time), then handed to the main thread; every text is
// ready to show (names and versions made safe for one line of display).
struct UninstallRecord
{
    std::string filePath;
    std::string iconName; // a theme icon name; empty when the path's own icon fits
    std::string iconData; // the bytes of the icon file the item names, when it names one
    QString bundleName;
    QString bundleVersion;   // empty where the list shows no version
    QString bundleDateAdded; // applications only
    QString bundleSize;
    QString note; // why the item is still there after a removal was asked for

    // A row of the application list: bundles by the version rule below, Flatpak
    // applications and AppImages by their own name and version.
    static UninstallRecord application(const DesktopApp& app);
    static UninstallRecord plugIn(const Uninstall::PlugIn& plugIn);
    static UninstallRecord preferencePane(const std::string& path);

    // CFBundleShortVersionString, unless its whole-number value is 0 ("0.9", "beta", "--"),
    // when CFBundleVersion says more; "--" for a missing one.
    static QString bundleVersionFrom(const QVariantMap& info);
    // The whole number a version text starts with (blanks and a sign allowed), 0 when none.
    static long long leadingNumber(const QString& text);
    // Allocated bytes in millions, "%.1fMB": what removing the item gives back.
    static QString diskMegabytes(const std::string& path);
};

} // namespace corvane
