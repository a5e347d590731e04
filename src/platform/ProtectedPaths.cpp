// SPDX-License-Identifier: GPL-3.0-or-later
#include "platform/ProtectedPaths.h"

#include "platform/FileChecks.h"
#include "platform/Layout.h"
#include "platform/PathResolver.h"
#include "platform/UniqueFd.h"

#include <array>
#include <cerrno>
#include <climits>
#include <cstdlib>
#include <optional>
#include <string_view>
#include <fcntl.h>
#include <sys/stat.h>
#include <vector>

namespace corvane {

namespace {

// Folders refused together with everything beneath them.
constexpr std::array<std::string_view, 18> kWholeTrees = {
    "/proc", "/sys", "/dev", "/boot", "/bin", "/sbin", "/lib", "/lib32", "/lib64", "/libx32",
    "/usr/bin", "/usr/sbin", "/usr/lib", "/usr/lib32", "/usr/lib64", "/usr/libexec", "/usr/include",
    "/var/lib",
};

// Folders whose own entries are refused too (a path needs a third component below them).
constexpr std::array<std::string_view, 8> kShallowTrees = {
    "/usr", "/var", "/etc", "/opt", "/srv", "/run", "/root", "/home",
};

// Home entries refused with everything beneath them: keys, keyrings and shell history.
constexpr std::array<std::string_view, 4> kHomeWholeTrees = {".ssh", ".gnupg", ".pki", ".local/share/keyrings"};

// Home folders refused themselves (their entries are fair game for the screens that list them).
constexpr std::array<std::string_view, 16> kHomeFolders = {
    ".config", ".local", ".local/share", ".local/state", ".local/bin", ".cache", ".var", ".var/app",
    "Desktop", "Documents", "Downloads", "Music", "Pictures", "Videos", "Applications", "Library",
};

bool within(const std::string& path, std::string_view tree)
{
    return path.size() >= tree.size() && path.compare(0, tree.size(), tree) == 0 &&
           (path.size() == tree.size() || path[tree.size()] == '/');
}

size_t componentCount(const std::string& path)
{
    size_t n = 0;
    for (size_t i = 0; i < path.size(); ++i)
        if (path[i] == '/' && i + 1 < path.size())
            ++n;
    return n;
}

bool refusedLexically(const std::string& p, const Layout& layout)
{
    if (p == "/" || componentCount(p) <= 1)
        return true; // the root and every top-level folder
    for (auto tree : kWholeTrees)
        if (within(p, tree))
            return true;
    for (auto tree : kShallowTrees)
        if (within(p, tree) && componentCount(p) <= componentCount(std::string(tree)) + 1)
            return true;

    auto refusesUnder = [&](const std::string& home) {
        if (home.empty() || home == "/")
            return false;
        if (p == home || p == parentPath(home))
            return true;
        for (auto tree : kHomeWholeTrees)
            if (within(p, joinPath(home, std::string(tree))))
                return true;
        for (auto folder : kHomeFolders)
            if (p == joinPath(home, std::string(folder)))
                return true;
        return false;
    };
    if (refusesUnder(ProtectedPaths::normalize(layout.home())) ||
        refusesUnder(ProtectedPaths::normalize(currentHomeFolder())))
        return true;

    // Every folder the layout hands out by role is a container, never a target.
    for (int r = 0; r < static_cast<int>(Layout::Role::RoleCount); ++r) {
        const auto role = static_cast<Layout::Role>(r);
        if (role == Layout::Role::MainBundle || role == Layout::Role::HelperSocket)
            continue;
        if (auto folder = layout.path(role); folder && ProtectedPaths::normalize(*folder) == p)
            return true;
    }
    if (layout.isMac()) {
        const std::string root = ProtectedPaths::normalize(layout.root());
        if (p == root)
            return true;
        for (const char* top : {"/Users", "/Library", "/Applications", "/private", "/private/var", "/private/tmp",
                                "/var", "/usr", "/bin", "/sbin", "/etc", "/Volumes"})
            if (p == root + top)
                return true;
        if (within(p, root + "/System"))
            return true;
    }
    return false;
}

enum class Found { Resolved, Missing, Unknown };

// Where the folder part of a path too long for realpath(3) really lies. Such a path can
// still pass through a link to "/" or to /etc near its end, so it is not taken as
// spelled: the part realpath can take is resolved by it, and below that every component
// must be a folder in its own right (opened with O_NOFOLLOW), which makes the rest of the
// spelling the real one. A link there leaves the answer Unknown: nothing can say where the
// path lands without following it.
Found realFolderOfLongPath(const std::string& folder, std::string& real)
{
    std::vector<std::string> parts;
    for (size_t i = 0; i < folder.size();) {
        const size_t slash = folder.find('/', i);
        const size_t end = slash == std::string::npos ? folder.size() : slash;
        if (end > i)
            parts.push_back(folder.substr(i, end - i));
        i = end + 1;
    }
    std::string prefix;
    size_t next = 0;
    while (next < parts.size() && prefix.size() + 1 + parts[next].size() < PATH_MAX / 2)
        prefix += "/" + parts[next++];
    char resolved[PATH_MAX];
    if (!::realpath(prefix.empty() ? "/" : prefix.c_str(), resolved))
        return errno == ENOENT ? Found::Missing : Found::Unknown;
    real = resolved;
    UniqueFd current(::open(resolved, O_PATH | O_DIRECTORY | O_CLOEXEC));
    for (; current && next < parts.size(); ++next) {
        current = UniqueFd(::openat(current.get(), parts[next].c_str(), O_PATH | O_DIRECTORY | O_NOFOLLOW | O_CLOEXEC));
        real = joinPath(real, parts[next]);
    }
    if (!current)
        return errno == ENOENT ? Found::Missing : Found::Unknown;
    return Found::Resolved;
}

} // namespace

std::string ProtectedPaths::normalize(const std::string& path)
{
    if (path.empty() || path.front() != '/')
        return {};
    std::vector<std::string_view> parts;
    std::string_view view(path);
    size_t i = 0;
    while (i < view.size()) {
        while (i < view.size() && view[i] == '/')
            ++i;
        size_t j = i;
        while (j < view.size() && view[j] != '/')
            ++j;
        if (j > i) {
            std::string_view part = view.substr(i, j - i);
            if (part == "..")
                return {};
            if (part != ".")
                parts.push_back(part);
        }
        i = j;
    }
    std::string out;
    for (auto part : parts) {
        out.push_back('/');
        out.append(part);
    }
    return out.empty() ? std::string("/") : out;
}

bool ProtectedPaths::isProtected(const std::string& path, const Layout& layout)
{
    const std::string p = normalize(path);
    if (p.empty() || refusedLexically(p, layout))
        return true;

    // The same question for where the path really lands once the links in its folder
    // part are resolved: "/tmp/link-to-root/etc" is /etc.
    const std::string folder = parentPath(p);
    if (folder.size() < PATH_MAX) {
        char resolved[PATH_MAX];
        if (::realpath(folder.c_str(), resolved)) {
            const std::string real = normalize(joinPath(resolved, lastComponent(p)));
            if (real.empty() || refusedLexically(real, layout))
                return true;
        }
    } else {
        std::string resolved;
        switch (realFolderOfLongPath(folder, resolved)) {
        case Found::Missing: break; // nothing there to delete
        case Found::Unknown: return true;
        case Found::Resolved: {
            const std::string real = normalize(joinPath(resolved, lastComponent(p)));
            if (real.empty() || refusedLexically(real, layout))
                return true;
        }
        }
    }

    // A mount point is where another file system begins, or where a bind mount shows a
    // folder of the same one (same device number, but the kernel marks the mount root).
    struct stat self, up;
    if (FileChecks::lstatPath(p, self) && S_ISDIR(self.st_mode) && FileChecks::statPath(folder, up)) {
        if (self.st_dev != up.st_dev || self.st_ino == up.st_ino)
            return true;
        std::optional<PathResolver::Parent> parent;
        if (p.size() >= PATH_MAX && !(parent = PathResolver::openParent(p)))
            return false; // gone since the look above
        struct statx stx;
        if (::statx(parent ? parent->fd() : AT_FDCWD, parent ? parent->name.c_str() : p.c_str(),
                    AT_SYMLINK_NOFOLLOW | AT_NO_AUTOMOUNT, STATX_BASIC_STATS, &stx) == 0 &&
            (stx.stx_attributes_mask & STATX_ATTR_MOUNT_ROOT) && (stx.stx_attributes & STATX_ATTR_MOUNT_ROOT))
            return true;
    }
    return false;
}

} // namespace corvane
