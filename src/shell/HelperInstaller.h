// SPDX-License-Identifier: GPL-3.0-or-later
#pragma once

#include <QStringList>

#include <functional>
#include <string>

namespace corvane {

class Layout;

// Installs and removes the privileged helper. On Linux the helper is a socket-activated
// system service; installing it needs the administrator's consent, which the installer
// inside the bundle asks for through pkexec. Refusals and a missing installer are
// silently accepted, as the helper's absence only means privileged deletions do not
// happen.
class HelperInstaller
{
public:
    // Starts a program without waiting for it; false when it could not be started.
    using Launcher = std::function<bool(const QString& program, const QStringList& arguments)>;

    HelperInstaller(const Layout& layout, std::string bundlePath, Launcher launcher);

    // The helper's job exists: its socket is there, or a unit file of it is installed
    // (macOS-style layout: its property list in /Library/LaunchDaemons).
    bool isInstalled() const;
    // "<bundle>/Contents/Library/LaunchServices/CorvaneHelper", when it is an executable file.
    std::string installerPath() const;
    // What addHelper would run, or an empty list when it would run nothing.
    QStringList installCommand() const;

    // Both answer whether an installation or removal was started.
    bool addHelper();
    bool removeHelper();

    static std::string pkexecPath();
    // Where the elevation tool is looked for; empty means the system's pkexec.
    void setPkexecPath(std::string path) { m_pkexec = std::move(path); }

private:
    QStringList commandFor(const char* action) const;

    const Layout& m_layout;
    std::string m_bundlePath;
    Launcher m_launcher;
    std::string m_pkexec;
};

} // namespace corvane
