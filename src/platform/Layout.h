// SPDX-License-Identifier: GPL-3.0-or-later
#pragma once

#include <map>
#include <memory>
#include <mutex>
#include <optional>
#include <string>

namespace corvane {

// Every folder the program composes paths from comes from here, by role, so the same
// engines run against the freedesktop/FHS folders of a Linux desktop (the default) or
// against a macOS-style tree kept under a root folder (tests, demos, examining a copy of
// a macOS disk). Paths are raw bytes; nothing here touches the file system except the
// reading of ~/.config/user-dirs.dirs and of the password entry, each done once per
// layout (copies of a layout share what was read).
class Layout
{
public:
    enum class Kind { Linux, MacOS };

    enum class Role {
        Home,                 // the user's home folder
        HiddenLibrary,        // "/Users/<login>/Library" built from the login name
        UserLibrary,          // ~/Library
        UserCaches,           // ~/Library/Caches
        SystemCaches,         // /Library/Caches
        UserLogs,             // ~/Library/Logs
        SystemLogs,           // /Library/Logs
        PrivateLogs,          // /private/var/log
        Containers,           // ~/Library/Containers
        UserApplicationSupport,
        SystemApplicationSupport,
        UserPreferences,
        Applications,         // /Applications
        UserApplications,     // ~/Applications
        Downloads,
        Documents,
        Trash,                // the folder whose entries are the trashed items
        TrashInfo,            // freedesktop Trash info folder (Linux only)
        UserAutostart,        // per-user login items
        SystemAutostart,
        UserLaunchAgents,
        SystemLaunchAgents,
        SystemLaunchDaemons,
        LibraryLaunchAgents,  // /System/Library/LaunchAgents
        LibraryLaunchDaemons, // /System/Library/LaunchDaemons
        InternetPlugins,
        UserInternetPlugins,
        PreferencePanes,
        UserPreferencePanes,
        HelperSocket,         // the privileged helper's Unix socket
        RuntimeDir,           // per-user runtime folder (local sockets)
        MainBundle,           // "/Applications/CorvaneTidewell.app"
        // New roles go above this line.
        RoleCount
    };

    Layout(Kind kind, std::string root, std::string home, std::string login);

    // The layout the program runs with: CORVANE_LAYOUT=macos with CORVANE_ROOT=DIR picks
    // the macOS-style tree, anything else the Linux layout of the current user.
    static const Layout& current();
    // Replaces the process-wide layout; for tests and for the command line's --root.
    static void setCurrent(const Layout& layout);

    static Layout linuxLayout(const std::string& home = {});
    static Layout macLayout(const std::string& root, const std::string& login = {});

    Kind kind() const { return m_kind; }
    bool isMac() const { return m_kind == Kind::MacOS; }
    const std::string& root() const { return m_root; }
    const std::string& home() const { return m_home; }
    const std::string& login() const { return m_login; }

    // The folder of a role, or nothing where this layout has no counterpart.
    std::optional<std::string> path(Role role) const;

    // A system path ("/Library/Caches", "/var/cache") placed under the layout's root; kept
    // as it is when the root is "/", as it is for the layout the program runs with.
    std::string rooted(const std::string& absolute) const;

    // XDG base folders (Linux layout), honouring the XDG_* variables.
    std::string xdgCacheHome() const;
    std::string xdgConfigHome() const;
    std::string xdgDataHome() const;
    std::string xdgStateHome() const;
    // A folder named in ~/.config/user-dirs.dirs ("DOWNLOAD", "DOCUMENTS"); nothing when the
    // entry is absent or names the home folder itself (which means "disabled"). The file
    // is read once per layout, only when it is a regular file of at most 64 KiB, without
    // blocking; anything else counts as "no such folder".
    std::optional<std::string> userDir(const std::string& key) const;

private:
    struct ReadOnce
    {
        std::once_flag userDirsRead;
        std::map<std::string, std::string> userDirs; // key → folder, "disabled" ones left out
        std::once_flag passwdRead;
        std::string passwdHome;
    };
    const ReadOnce& userDirs() const;
    Kind m_kind;
    std::string m_root;
    std::string m_home;
    std::string m_login;
    std::shared_ptr<ReadOnce> m_readOnce = std::make_shared<ReadOnce>();
};

// The login name of the current user from the password database (not $HOME).
std::string currentLoginName();
// The home folder: $HOME when set, else the password database's entry.
std::string currentHomeFolder();

} // namespace corvane
