// SPDX-License-Identifier: GPL-3.0-or-later
#include "platform/Layout.h"

#include "platform/BoundedFile.h"

#include <cerrno>
#include <cstdlib>
#include <memory>
#include <mutex>
#include <pwd.h>
#include <sys/stat.h>
#include <unistd.h>
#include <vector>

namespace corvane {

namespace {

std::string env(const char* name)
{
    const char* v = std::getenv(name);
    return v ? std::string(v) : std::string();
}

std::string join(const std::string& a, const std::string& b)
{
    if (a.empty())
        return b;
    if (a.back() == '/')
        return b.size() && b.front() == '/' ? a + b.substr(1) : a + b;
    return b.size() && b.front() == '/' ? a + b : a + "/" + b;
}

std::string stripTrailingSlashes(std::string p)
{
    while (p.size() > 1 && p.back() == '/')
        p.pop_back();
    return p;
}

std::mutex g_layoutMutex;
// Neither the layout nor the ones it replaced are ever destroyed: references handed out
// stay valid, also for a worker still running while the program exits.
Layout* g_layout = nullptr;

// The password entry by uid or by name through the reentrant calls: the layout is asked
// from background threads, and getpwuid/getpwnam share one static buffer.
struct PasswdEntry
{
    std::string name;
    std::string dir;
    bool found = false;
};

PasswdEntry passwdEntry(const uid_t* uid, const char* name)
{
    PasswdEntry entry;
    long hint = sysconf(_SC_GETPW_R_SIZE_MAX);
    std::vector<char> buffer(hint > 0 ? size_t(hint) : 4096);
    for (;;) {
        passwd pw{};
        passwd* result = nullptr;
        const int rc = uid ? getpwuid_r(*uid, &pw, buffer.data(), buffer.size(), &result)
                           : getpwnam_r(name, &pw, buffer.data(), buffer.size(), &result);
        if (rc == ERANGE && buffer.size() < (1u << 20)) {
            buffer.resize(buffer.size() * 2);
            continue;
        }
        if (rc == 0 && result) {
            entry.found = true;
            entry.name = pw.pw_name ? pw.pw_name : "";
            entry.dir = pw.pw_dir ? pw.pw_dir : "";
        }
        return entry;
    }
}

} // namespace

std::string currentLoginName()
{
    const uid_t uid = geteuid();
    if (PasswdEntry pw = passwdEntry(&uid, nullptr); pw.found && !pw.name.empty())
        return pw.name;
    std::string user = env("USER");
    return user.empty() ? std::string("user") : user;
}

std::string currentHomeFolder()
{
    std::string home = env("HOME");
    if (!home.empty())
        return stripTrailingSlashes(home);
    const uid_t uid = geteuid();
    if (PasswdEntry pw = passwdEntry(&uid, nullptr); pw.found && !pw.dir.empty())
        return stripTrailingSlashes(pw.dir);
    return "/";
}

Layout::Layout(Kind kind, std::string root, std::string home, std::string login)
    : m_kind(kind), m_root(stripTrailingSlashes(std::move(root))), m_home(stripTrailingSlashes(std::move(home))),
      m_login(std::move(login))
{
}

Layout Layout::linuxLayout(const std::string& home)
{
    return Layout(Kind::Linux, "/", home.empty() ? currentHomeFolder() : home, currentLoginName());
}

Layout Layout::macLayout(const std::string& root, const std::string& login)
{
    const std::string name = login.empty() ? currentLoginName() : login;
    const std::string r = stripTrailingSlashes(root);
    return Layout(Kind::MacOS, r, join(r, "/Users/" + name), name);
}

const Layout& Layout::current()
{
    std::lock_guard lock(g_layoutMutex);
    if (!g_layout) {
        const std::string kind = env("CORVANE_LAYOUT");
        const std::string root = env("CORVANE_ROOT");
        if ((kind == "macos" || kind == "mac") && !root.empty())
            g_layout = new Layout(macLayout(root));
        else
            g_layout = new Layout(linuxLayout());
    }
    return *g_layout;
}

void Layout::setCurrent(const Layout& layout)
{
    std::lock_guard lock(g_layoutMutex);
    // The old object is left alive on purpose, and kept where it can be found: references
    // handed out earlier stay valid.
    static auto* retired = new std::vector<Layout*>;
    if (g_layout)
        retired->push_back(g_layout);
    g_layout = new Layout(layout);
}

std::string Layout::rooted(const std::string& absolute) const
{
    if (m_root.empty() || m_root == "/")
        return absolute;
    return join(m_root, absolute);
}

std::string Layout::xdgCacheHome() const
{
    std::string v = env("XDG_CACHE_HOME");
    return v.size() && v.front() == '/' ? stripTrailingSlashes(v) : join(m_home, ".cache");
}

std::string Layout::xdgConfigHome() const
{
    std::string v = env("XDG_CONFIG_HOME");
    return v.size() && v.front() == '/' ? stripTrailingSlashes(v) : join(m_home, ".config");
}

std::string Layout::xdgDataHome() const
{
    std::string v = env("XDG_DATA_HOME");
    return v.size() && v.front() == '/' ? stripTrailingSlashes(v) : join(m_home, ".local/share");
}

std::string Layout::xdgStateHome() const
{
    std::string v = env("XDG_STATE_HOME");
    return v.size() && v.front() == '/' ? stripTrailingSlashes(v) : join(m_home, ".local/state");
}

const Layout::ReadOnce& Layout::userDirs() const
{
    std::call_once(m_readOnce->userDirsRead, [this] {
        const auto text = BoundedFile::read(join(xdgConfigHome(), "user-dirs.dirs"));
        if (!text)
            return;
        struct stat home;
        const bool homeKnown = ::stat(m_home.c_str(), &home) == 0;
        for (const std::string& line : BoundedFile::lines(*text)) {
            const size_t first = line.find_first_not_of(" \t");
            if (first == std::string::npos || line[first] == '#' || line.compare(first, 4, "XDG_") != 0)
                continue;
            const size_t suffix = line.find("_DIR=", first);
            if (suffix == std::string::npos)
                continue;
            const std::string key = line.substr(first + 4, suffix - first - 4);
            std::string value = line.substr(suffix + 5);
            while (!value.empty() && (value.back() == ' ' || value.back() == '\t' || value.back() == '\r'))
                value.pop_back();
            if (value.size() >= 2 && value.front() == '"' && value.back() == '"')
                value = value.substr(1, value.size() - 2);
            // The file's own escaping: backslash quotes the next character.
            std::string unescaped;
            for (size_t i = 0; i < value.size(); ++i) {
                if (value[i] == '\\' && i + 1 < value.size())
                    ++i;
                unescaped.push_back(value[i]);
            }
            if (unescaped.rfind("$HOME", 0) == 0)
                unescaped = m_home + unescaped.substr(5);
            else if (unescaped.empty() || unescaped.front() != '/')
                continue; // only absolute or $HOME-relative values are valid
            const std::string folder = stripTrailingSlashes(unescaped);
            // The home folder itself means "disabled", however it is spelt: "$HOME/.", or
            // a link to it, is compared by what it is.
            bool disabled = folder == m_home;
            struct stat entry;
            if (!disabled && homeKnown && ::stat(folder.c_str(), &entry) == 0)
                disabled = entry.st_dev == home.st_dev && entry.st_ino == home.st_ino;
            // A later line for the same key wins, as in the file's own readers.
            if (disabled)
                m_readOnce->userDirs.erase(key);
            else
                m_readOnce->userDirs[key] = folder;
        }
    });
    return *m_readOnce;
}

std::optional<std::string> Layout::userDir(const std::string& key) const
{
    const ReadOnce& once = userDirs();
    auto it = once.userDirs.find(key);
    if (it == once.userDirs.end())
        return std::nullopt;
    return it->second;
}

std::optional<std::string> Layout::path(Role role) const
{
    if (m_kind == Kind::MacOS) {
        const std::string lib = join(m_home, "Library");
        switch (role) {
        case Role::Home: return m_home;
        case Role::HiddenLibrary: return join(m_root, "/Users/" + m_login + "/Library");
        case Role::UserLibrary: return lib;
        case Role::UserCaches: return join(lib, "Caches");
        case Role::SystemCaches: return rooted("/Library/Caches");
        case Role::UserLogs: return join(lib, "Logs");
        case Role::SystemLogs: return rooted("/Library/Logs");
        case Role::PrivateLogs: return rooted("/private/var/log");
        case Role::Containers: return join(lib, "Containers");
        case Role::UserApplicationSupport: return join(lib, "Application Support");
        case Role::SystemApplicationSupport: return rooted("/Library/Application Support");
        case Role::UserPreferences: return join(lib, "Preferences");
        case Role::Applications: return rooted("/Applications");
        case Role::UserApplications: return join(m_home, "Applications");
        case Role::Downloads: return join(m_home, "Downloads");
        case Role::Documents: return join(m_home, "Documents");
        case Role::Trash: return join(m_home, ".Trash");
        case Role::TrashInfo: return std::nullopt;
        case Role::UserAutostart: return std::nullopt;
        case Role::SystemAutostart: return std::nullopt;
        case Role::UserLaunchAgents: return join(lib, "LaunchAgents");
        case Role::SystemLaunchAgents: return rooted("/Library/LaunchAgents");
        case Role::SystemLaunchDaemons: return rooted("/Library/LaunchDaemons");
        case Role::LibraryLaunchAgents: return rooted("/System/Library/LaunchAgents");
        case Role::LibraryLaunchDaemons: return rooted("/System/Library/LaunchDaemons");
        case Role::InternetPlugins: return rooted("/Library/Internet Plug-Ins");
        case Role::UserInternetPlugins: return join(lib, "Internet Plug-Ins");
        case Role::PreferencePanes: return rooted("/Library/PreferencePanes");
        case Role::UserPreferencePanes: return join(lib, "PreferencePanes");
        case Role::HelperSocket: return rooted("/var/run/com.corvane.CorvaneHelper.socket");
        case Role::RuntimeDir: return rooted("/private/tmp");
        case Role::MainBundle: return rooted("/Applications/CorvaneTidewell.app");
        case Role::RoleCount: break;
        }
        return std::nullopt;
    }

    const std::string data = xdgDataHome();
    switch (role) {
    case Role::Home: return m_home;
    case Role::HiddenLibrary: {
        // Built from the login name rather than $HOME, so a sandboxed or redirected home
        // still leads to the real one: the password entry's home folder.
        std::call_once(m_readOnce->passwdRead, [this] {
            if (PasswdEntry pw = passwdEntry(nullptr, m_login.c_str()); pw.found && !pw.dir.empty())
                m_readOnce->passwdHome = stripTrailingSlashes(pw.dir);
        });
        return m_readOnce->passwdHome.empty() ? m_home : m_readOnce->passwdHome;
    }
    case Role::UserLibrary: return data;
    case Role::UserCaches: return xdgCacheHome();
    case Role::SystemCaches: return rooted("/var/cache");
    case Role::UserLogs: return xdgStateHome();
    case Role::SystemLogs: return rooted("/var/log");
    case Role::PrivateLogs: return std::nullopt;
    case Role::Containers: return join(m_home, ".var/app");
    case Role::UserApplicationSupport: return data;
    case Role::SystemApplicationSupport: return rooted("/usr/share");
    case Role::UserPreferences: return xdgConfigHome();
    case Role::Applications: return rooted("/usr/share/applications");
    case Role::UserApplications: return join(m_home, "Applications");
    case Role::Downloads: return userDir("DOWNLOAD");
    case Role::Documents: {
        if (auto d = userDir("DOCUMENTS"))
            return d;
        return join(m_home, "Documents");
    }
    case Role::Trash: return join(data, "Trash/files");
    case Role::TrashInfo: return join(data, "Trash/info");
    case Role::UserAutostart: return join(xdgConfigHome(), "autostart");
    case Role::SystemAutostart: return rooted("/etc/xdg/autostart");
    case Role::UserLaunchAgents: return join(xdgConfigHome(), "systemd/user");
    case Role::SystemLaunchAgents: return rooted("/etc/systemd/user");
    case Role::SystemLaunchDaemons: return rooted("/etc/systemd/system");
    case Role::LibraryLaunchAgents: return rooted("/usr/lib/systemd/user");
    case Role::LibraryLaunchDaemons: return rooted("/usr/lib/systemd/system");
    case Role::InternetPlugins: return rooted("/usr/lib/mozilla/plugins");
    case Role::UserInternetPlugins: return join(m_home, ".mozilla/plugins");
    case Role::PreferencePanes: return std::nullopt;
    case Role::UserPreferencePanes: return std::nullopt;
    case Role::HelperSocket: {
        std::string over = env("CORVANE_HELPER_SOCKET");
        if (!over.empty())
            return over;
        return std::string("/run/corvane/com.corvane.CorvaneHelper.socket");
    }
    case Role::RuntimeDir: {
        std::string run = env("XDG_RUNTIME_DIR");
        if (!run.empty())
            return stripTrailingSlashes(run);
        return std::string("/tmp");
    }
    case Role::MainBundle: return join(m_home, "Applications/CorvaneTidewell.app");
    case Role::RoleCount: break;
    }
    return std::nullopt;
}

} // namespace corvane
