// SPDX-License-Identifier: GPL-3.0-or-later
#pragma once

#include <string>

namespace corvane::helper {

// --install and --uninstall, run as root by pkexec from the program's bundle.
//
// Installing copies the running executable (read through /proc/self/exe, opened once, so
// the file the bundle holds can be swapped meanwhile without effect) to
// /usr/local/libexec/corvane-helper, writes the socket and service units to
// /etc/systemd/system and the polkit policy to /usr/share/polkit-1/actions, every file
// root-owned, written under a temporary name and renamed into place; then systemd
// reloads and the socket is enabled and started. Uninstalling stops and disables both
// units and removes the four files. Nothing runs through a shell.
//
// Without systemd as the init system there is nothing to install into: both refuse.
class HelperInstallation
{
public:
    struct Options
    {
        // Everything is written below this folder; "/" for real.
        std::string root = "/";
        // systemctl as found on PATH rather than the system's own: tests put a recording
        // fake there. Only ever set together with a scratch root.
        bool systemctlFromPath = false;
    };

    // The real root, or the scratch root in CORVANE_HELPER_INSTALL_ROOT (which also takes
    // systemctl from PATH). The variable is ignored under pkexec, which never passes it
    // on anyway: an installation an administrator approved always goes to the machine.
    static Options fromEnvironment();

    // Exit statuses: 0 done, 1 refused or failed, with what happened in `message`.
    static int install(const Options& options, std::string& message);
    static int uninstall(const Options& options, std::string& message);

    static constexpr const char* kInstalledExecutable = "/usr/local/libexec/corvane-helper";
    static constexpr const char* kUnitFolder = "/etc/systemd/system";
    static constexpr const char* kPolicyFolder = "/usr/share/polkit-1/actions";
};

} // namespace corvane::helper
