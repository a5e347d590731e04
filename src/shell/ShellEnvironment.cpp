// SPDX-License-Identifier: GPL-3.0-or-later
#include "shell/ShellEnvironment.h"

#include "common/CmdLineTool.h"
#include "platform/Layout.h"
#include "platform/UserJobs.h"
#include "shell/LaunchRules.h"

#include <QCoreApplication>
#include <QDesktopServices>
#include <QFile>
#include <QLocale>
#include <QMessageBox>
#include <QProcess>

#ifndef CORVANE_BUILD_TREE
#define CORVANE_BUILD_TREE ""
#endif

namespace corvane {

ShellEnvironment ShellEnvironment::system()
{
    ShellEnvironment env;
    env.bundlePath = LaunchRules::bundlePathForExecutableFolder(
        QFile::encodeName(QCoreApplication::applicationDirPath()).toStdString());
    env.buildTree = CORVANE_BUILD_TREE;
    env.home = Layout::current().home();
    env.languages = QLocale::system().uiLanguages();
    env.shortVersion = QCoreApplication::applicationVersion();
    env.runCommand = [](const std::string& command) { (void)CmdLineTool::runCommandBytes(command); };
    env.alert = [](const QString& message) {
        QMessageBox box(QMessageBox::Warning, QStringLiteral("Corvane Tidewell"), message, QMessageBox::Ok);
        box.setWindowModality(Qt::ApplicationModal);
        box.exec();
    };
    env.openUrl = [](const QUrl& url) { return QDesktopServices::openUrl(url); };
    env.startDetached = [](const QString& program, const QStringList& arguments) {
        return QProcess::startDetached(program, arguments);
    };
    env.userJobs = [] { return UserJobs::allJobDictionaries(Layout::current()); };
    env.terminate = [] { QCoreApplication::exit(0); };
    return env;
}

} // namespace corvane
