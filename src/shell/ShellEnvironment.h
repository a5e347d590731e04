// SPDX-License-Identifier: GPL-3.0-or-later
#pragma once

#include <QString>
#include <QStringList>
#include <QUrl>
#include <QVariantMap>

#include <functional>
#include <string>
#include <vector>

namespace corvane {

// What the main program's controller takes from the machine. The defaults are the real
// ones; tests replace them at this edge.
struct ShellEnvironment
{
    std::string bundlePath;   // the main bundle
    std::string buildTree;    // a bundle inside this folder is a development build
    std::string home;         // where the first-run marker lives
    std::string sysRoot = "/";
    QStringList languages;    // preferred languages, most preferred first
    QString shortVersion;     // when the bundle has none (not run from a bundle)
    std::function<void(const std::string& command)> runCommand;
    std::function<void(const QString& message)> alert; // modal
    std::function<bool(const QUrl& url)> openUrl;
    std::function<bool(const QString& program, const QStringList& arguments)> startDetached;
    std::function<std::vector<QVariantMap>()> userJobs;
    std::function<void()> terminate; // the normal end of the program

    static ShellEnvironment system();
};

} // namespace corvane
