// SPDX-License-Identifier: GPL-3.0-or-later
#include "platform/ContainerGuard.h"

#include "platform/ByteText.h"
#include "platform/FileChecks.h"
#include "platform/Layout.h"
#include "platform/UniqueFd.h"

#include <fcntl.h>
#include <sys/stat.h>

namespace corvane {

namespace {

// A container is never searched for further up than this; no real tree is this deep
// and a loop of bind mounts must not keep the check going.
constexpr int kMaxAncestors = 4096;

constexpr const char* kSystemTrees[] = {
    "/proc", "/sys", "/dev", "/boot", "/bin", "/sbin", "/lib", "/lib32", "/lib64", "/libx32", "/usr/bin", "/usr/sbin",
    "/usr/lib", "/usr/lib32", "/usr/lib64", "/usr/libexec", "/usr/include", "/var/lib", "/etc",
};

constexpr const char* kSystemFolders[] = {
    "/usr", "/var", "/opt", "/srv", "/run", "/root", "/home", "/tmp", "/var/tmp", "/mnt", "/media",
};

// Home entries whose content is never junk, refused with everything inside.
constexpr const char* kHomeTrees[] = {".ssh", ".gnupg", ".pki", ".local/share/keyrings", ".password-store"};

// Home folders that hold the user's own things: refused themselves.
constexpr const char* kHomeFolders[] = {
    ".config", ".local", ".local/share", ".local/bin", "Desktop", "Documents", "Music", "Pictures",
    "Videos", "Public", "Templates", "Applications", "Library",
};

constexpr const char* kUserDirKeys[] = {"DESKTOP", "DOCUMENTS", "MUSIC", "PICTURES", "VIDEOS", "PUBLICSHARE",
                                        "TEMPLATES"};

} // namespace

bool ContainerGuard::identify(const std::string& path, dev_t& dev, ino_t& ino)
{
    struct stat st;
    if (path.empty() || ::stat(path.c_str(), &st) != 0 || !S_ISDIR(st.st_mode))
        return false;
    dev = st.st_dev;
    ino = st.st_ino;
    return true;
}

void ContainerGuard::addExact(const std::string& path, Exempt exemptFor)
{
    dev_t dev;
    ino_t ino;
    if (identify(path, dev, ino))
        m_exact.push_back({dev, ino, path, exemptFor});
}

void ContainerGuard::addTree(const std::string& path)
{
    dev_t dev;
    ino_t ino;
    if (identify(path, dev, ino))
        m_trees.push_back({dev, ino, path, Exempt::None});
}

ContainerGuard::ContainerGuard(const Layout& layout)
{
    identify("/", m_rootDev, m_rootIno);
    addExact("/");

    std::vector<std::string> homes{layout.home(), currentHomeFolder()};
    if (auto hidden = layout.path(Layout::Role::HiddenLibrary); hidden && !layout.isMac())
        homes.push_back(*hidden); // the password entry's home folder on the Linux layout
    for (const std::string& home : homes) {
        if (home.empty())
            continue;
        // The home folder and every folder above it.
        for (std::string p = home;; p = parentPath(p)) {
            addExact(p);
            if (p == "/" || p == "." || p.empty())
                break;
        }
        for (const char* tree : kHomeTrees)
            addTree(joinPath(home, tree));
        for (const char* folder : kHomeFolders) {
            const std::string name = folder;
            const bool settings = name == ".config" || name == ".local/share" || name == "Library";
            addExact(joinPath(home, folder), settings ? Exempt::SettingsFolders : Exempt::None);
        }
        addExact(joinPath(home, "Downloads"), Exempt::Downloads);
    }
    for (const char* key : kUserDirKeys)
        if (auto dir = layout.userDir(key))
            addExact(*dir);
    if (auto downloads = layout.userDir("DOWNLOAD"))
        addExact(*downloads, Exempt::Downloads);
    for (const char* tree : kSystemTrees)
        addTree(layout.rooted(tree));
    for (const char* folder : kSystemFolders)
        addExact(layout.rooted(folder));
    if (layout.isMac()) {
        addExact(layout.root());
        for (const char* top : {"/Users", "/Library", "/Applications", "/private", "/private/var", "/System"})
            addExact(layout.rooted(top));
        addTree(layout.rooted("/System"));
    }
}

std::string ContainerGuard::refusal(int folderFd, Exempt exempt) const
{
    struct stat st;
    if (::fstat(folderFd, &st) != 0)
        return "cannot be examined";
    if (!S_ISDIR(st.st_mode))
        return "not a folder";
    for (const Identity& id : m_exact)
        if (id.dev == st.st_dev && id.ino == st.st_ino && (exempt == Exempt::None || id.exemptFor != exempt))
            return "is " + ByteText::forLog(id.label);
    // Climb through ".." from the open folder itself: whatever the folder was reached
    // through, this is where it really is.
    UniqueFd current(::openat(folderFd, ".", O_RDONLY | O_DIRECTORY | O_CLOEXEC));
    for (int depth = 0; current && depth < kMaxAncestors; ++depth) {
        struct stat here;
        if (::fstat(current.get(), &here) != 0)
            break;
        for (const Identity& id : m_trees)
            if (id.dev == here.st_dev && id.ino == here.st_ino)
                return "lies inside " + ByteText::forLog(id.label);
        if (here.st_dev == m_rootDev && here.st_ino == m_rootIno)
            break;
        UniqueFd up(::openat(current.get(), "..", O_RDONLY | O_DIRECTORY | O_CLOEXEC));
        struct stat above;
        if (!up || ::fstat(up.get(), &above) != 0 || (above.st_dev == here.st_dev && above.st_ino == here.st_ino))
            break; // the top of this file system's view (a chroot or the root itself)
        current = std::move(up);
    }
    return {};
}

} // namespace corvane
