// SPDX-License-Identifier: GPL-3.0-or-later
#include "shell/HelperInstaller.h"

#include "platform/FileChecks.h"
#include "platform/Layout.h"
#include "common/AppConfig.h"

#include <QFile>

#include <sys/stat.h>
#include <unistd.h>

namespace corvane {

namespace {

bool isExecutableFile(const std::string& path)
{
    struct stat st;
    return ::stat(path.c_str(), &st) == 0 && S_ISREG(st.st_mode) && ::access(path.c_str(), X_OK) == 0;
}

QString display(const std::string& path)
{
    return QFile::decodeName(QByteArray(path.data(), static_cast<qsizetype>(path.size())));
}

} // namespace

HelperInstaller::HelperInstaller(const Layout& layout, std::string bundlePath, Launcher launcher)
    : m_layout(layout)
    , m_bundlePath(std::move(bundlePath))
    , m_launcher(std::move(launcher))
{
}

bool HelperInstaller::isInstalled() const
{
    if (auto socket = m_layout.path(Layout::Role::HelperSocket)) {
        struct stat st;
        if (::stat(socket->c_str(), &st) == 0 && S_ISSOCK(st.st_mode))
            return true;
    }
    if (m_layout.isMac()) {
        auto daemons = m_layout.path(Layout::Role::SystemLaunchDaemons);
        return daemons && FileChecks::existsNoFollow(joinPath(*daemons, std::string(AppConfig::kHelperLabel) + ".plist"));
    }
    for (Layout::Role role : {Layout::Role::SystemLaunchDaemons, Layout::Role::LibraryLaunchDaemons}) {
        auto folder = m_layout.path(role);
        if (!folder)
            continue;
        for (const char* unit : {"com.corvane.CorvaneHelper.socket", "com.corvane.CorvaneHelper.service"})
            if (FileChecks::existsNoFollow(joinPath(*folder, unit)))
                return true;
    }
    return false;
}

std::string HelperInstaller::installerPath() const
{
    const std::string path = joinPath(m_bundlePath, std::string("Contents/Library/LaunchServices/") + AppConfig::kHelperLabel);
    return isExecutableFile(path) ? path : std::string();
}

std::string HelperInstaller::pkexecPath()
{
    for (const char* candidate : {"/usr/bin/pkexec", "/bin/pkexec", "/usr/local/bin/pkexec"})
        if (isExecutableFile(candidate))
            return candidate;
    return {};
}

QStringList HelperInstaller::commandFor(const char* action) const
{
    const std::string installer = installerPath();
    const std::string pkexec = m_pkexec.empty() ? pkexecPath() : (isExecutableFile(m_pkexec) ? m_pkexec : std::string());
    if (installer.empty() || pkexec.empty())
        return {};
    return {display(pkexec), display(installer), QString::fromLatin1(action)};
}

QStringList HelperInstaller::installCommand() const
{
    return commandFor("--install");
}

bool HelperInstaller::addHelper()
{
    if (isInstalled())
        return false;
    const QStringList command = installCommand();
    if (command.isEmpty() || !m_launcher)
        return false;
    return m_launcher(command.first(), command.mid(1));
}

bool HelperInstaller::removeHelper()
{
    if (!isInstalled())
        return false;
    const QStringList command = commandFor("--uninstall");
    if (command.isEmpty() || !m_launcher)
        return false;
    return m_launcher(command.first(), command.mid(1));
}

} // namespace corvane
