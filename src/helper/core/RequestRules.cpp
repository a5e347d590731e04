// SPDX-License-Identifier: GPL-3.0-or-later
#include "helper/core/RequestRules.h"

#include "platform/Layout.h"
#include "platform/PathResolver.h"
#include "platform/ProtectedPaths.h"
#include "platform/SystemCacheAllowList.h"
#include "platform/UnitNames.h"

#include <cerrno>
#include <fcntl.h>
#include <pwd.h>
#include <vector>

namespace corvane::helper {

namespace {

constexpr size_t kMaxPath = 4095;

std::string withoutTrailingSlashes(std::string path)
{
    while (path.size() > 1 && path.back() == '/')
        path.pop_back();
    return path;
}

bool below(const std::string& path, const std::string& root, std::string& relative)
{
    if (root.empty() || path.size() <= root.size() + 1 || path.compare(0, root.size(), root) != 0 ||
        path[root.size()] != '/')
        return false;
    relative = path.substr(root.size() + 1);
    return true;
}

// Why the way to an entry could not be opened beneath its root.
Verdict refusalFor(int error)
{
    switch (error) {
    case ENOENT:
        return Verdict::refuse("missing");
    case ELOOP:   // a link on the way
    case EXDEV:   // a mount on the way, or a way out of the root
    case ENOTDIR: // a file where a folder was named
        return Verdict::refuse("leaves-root");
    default:
        return Verdict::refuse("unresolvable");
    }
}

bool isMountRoot(int folder, const std::string& name, const struct stat& folderStat, const struct stat& entry)
{
    if (!S_ISDIR(entry.st_mode))
        return false;
    if (entry.st_dev != folderStat.st_dev)
        return true;
    // A bind mount of a folder of the same file system has the same device number; only the
    // kernel's mount-root attribute tells it apart.
    struct statx stx;
    return ::statx(folder, name.c_str(), AT_SYMLINK_NOFOLLOW | AT_NO_AUTOMOUNT, STATX_BASIC_STATS, &stx) == 0 &&
           (stx.stx_attributes_mask & STATX_ATTR_MOUNT_ROOT) && (stx.stx_attributes & STATX_ATTR_MOUNT_ROOT);
}

} // namespace

std::string Verdict::json() const
{
    // Rule names are plain ASCII words; nothing in them needs escaping.
    return std::string("{\"verdict\":\"") + (allowed ? "allowed" : "refused") + "\",\"rule\":\"" + rule + "\"}";
}

std::optional<std::string> HelperRoots::passwordHome(uid_t uid)
{
    std::vector<char> buffer(4096);
    for (;;) {
        passwd entry{};
        passwd* found = nullptr;
        const int rc = ::getpwuid_r(uid, &entry, buffer.data(), buffer.size(), &found);
        if (rc == ERANGE && buffer.size() < (1u << 20)) {
            buffer.resize(buffer.size() * 2);
            continue;
        }
        if (rc != 0 || !found || !found->pw_dir || !*found->pw_dir)
            return std::nullopt;
        return std::string(found->pw_dir);
    }
}

HelperRoots HelperRoots::machine()
{
    return HelperRoots{&HelperRoots::passwordHome, "/var/cache", "/etc/systemd/system"};
}

RequestRules::RequestRules(HelperRoots roots) : m_roots(std::move(roots)) {}

std::optional<Verdict> RequestRules::place(uid_t caller, const std::string& path, Placed& placed) const
{
    if (path.empty() || path.front() != '/')
        return Verdict::refuse("path-not-absolute");
    if (path.find('\0') != std::string::npos)
        return Verdict::refuse("path-has-nul");
    if (path.size() > kMaxPath)
        return Verdict::refuse("path-too-long");
    if (path == "/")
        return Verdict::refuse("protected-path");
    for (size_t start = 1; start <= path.size();) {
        size_t end = path.find('/', start);
        if (end == std::string::npos)
            end = path.size();
        const std::string_view part(path.data() + start, end - start);
        if (part.empty() || part == "." || part == "..")
            return Verdict::refuse("path-component");
        start = end + 1;
    }

    std::optional<std::string> home = m_roots.homeOf ? m_roots.homeOf(caller) : std::nullopt;
    if (home)
        home = withoutTrailingSlashes(*home);
    // A home of "/" (some system accounts have one) would put everything below it.
    const bool usableHome = home && home->size() > 1 && home->front() == '/';
    if (usableHome && path == *home)
        return Verdict::refuse("home-itself");
    std::string relative;
    if (usableHome && below(path, *home, relative)) {
        placed = Placed{Area::Home, *home, relative};
        return std::nullopt;
    }
    if (below(path, m_roots.systemCaches, relative)) {
        if (!SystemCacheAllowList::allows(relative, true))
            return Verdict::refuse("not-allow-listed");
        placed = Placed{Area::SystemCaches, m_roots.systemCaches, relative};
        return std::nullopt;
    }
    if (below(path, m_roots.unitFiles, relative)) {
        if (relative.find('/') != std::string::npos || !UnitNames::isValid(relative))
            return Verdict::refuse("not-a-unit-file");
        if (const Verdict unit = checkUnit(relative); !unit.allowed)
            return unit;
        placed = Placed{Area::UnitFiles, m_roots.unitFiles, relative};
        return std::nullopt;
    }
    return Verdict::refuse("outside-allowed-folders");
}

std::optional<Verdict> RequestRules::precheckRemoval(uid_t caller, const std::string& path) const
{
    Placed placed;
    return place(caller, path, placed);
}

RequestRules::Target RequestRules::resolveRemoval(uid_t caller, const std::string& path) const
{
    Target target;
    Placed placed;
    if (auto refusal = place(caller, path, placed)) {
        target.verdict = std::move(*refusal);
        return target;
    }
    UniqueFd root(::open(placed.root.c_str(), O_RDONLY | O_DIRECTORY | O_CLOEXEC));
    if (!root) {
        target.verdict = Verdict::refuse(placed.area == Area::Home ? "home-unusable" : "unresolvable");
        return target;
    }
    struct stat rootStat;
    if (::fstat(root.get(), &rootStat) != 0) {
        target.verdict = Verdict::refuse("unresolvable");
        return target;
    }
    if (placed.area == Area::Home && rootStat.st_uid != caller) {
        target.verdict = Verdict::refuse("home-not-owned");
        return target;
    }

    UniqueFd folder;
    std::string name;
    if (placed.area == Area::UnitFiles) {
        folder = std::move(root);
        name = placed.relative;
    } else {
        auto parent = PathResolver::openParentBeneath(root.get(), placed.relative);
        if (!parent) {
            target.verdict = refusalFor(errno);
            return target;
        }
        folder = std::move(parent->folder);
        name = std::move(parent->name);
    }
    struct stat entry;
    struct stat folderStat;
    if (::fstatat(folder.get(), name.c_str(), &entry, AT_SYMLINK_NOFOLLOW) != 0 ||
        ::fstat(folder.get(), &folderStat) != 0) {
        target.verdict = refusalFor(errno);
        return target;
    }

    switch (placed.area) {
    case Area::Home:
        if (folderStat.st_uid != caller) {
            target.verdict = Verdict::refuse("not-owner");
            return target;
        }
        if (isMountRoot(folder.get(), name, folderStat, entry)) {
            target.verdict = Verdict::refuse("mount-root");
            return target;
        }
        target.verdict = Verdict::allow("home");
        break;
    case Area::SystemCaches:
        if (!SystemCacheAllowList::allows(placed.relative, S_ISREG(entry.st_mode))) {
            target.verdict = Verdict::refuse("not-allow-listed");
            return target;
        }
        target.verdict = Verdict::allow("system-cache");
        break;
    case Area::UnitFiles:
        if (!S_ISREG(entry.st_mode) && !S_ISLNK(entry.st_mode)) {
            target.verdict = Verdict::refuse("not-a-unit-file");
            return target;
        }
        target.verdict = Verdict::allow("unit-file");
        break;
    }
    // Last, the list every other deletion route obeys, with the caller's home as the home.
    const Layout callerLayout(Layout::Kind::Linux, "/", placed.area == Area::Home ? placed.root : std::string(),
                              std::string());
    if (ProtectedPaths::isProtected(path, callerLayout)) {
        target.verdict = Verdict::refuse("protected-path");
        return target;
    }
    target.folder = std::move(folder);
    target.name = std::move(name);
    target.entry = entry;
    return target;
}

Verdict RequestRules::checkUnit(const std::string& unit) const
{
    if (!UnitNames::isValid(unit))
        return Verdict::refuse("unit-name");
    if (UnitNames::isOurs(unit))
        return Verdict::refuse("own-unit");
    if (!UnitNames::isStoppableType(unit))
        return Verdict::refuse("unit-type");
    if (UnitNames::isNeverStopped(unit))
        return Verdict::refuse("never-stop");
    return Verdict::allow("unit");
}

} // namespace corvane::helper
