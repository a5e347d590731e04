// SPDX-License-Identifier: GPL-3.0-or-later
#include "uninstall/engine/TrashEntries.h"

#include "platform/AtomicFile.h"
#include "platform/BoundedFile.h"
#include "platform/FileChecks.h"
#include "platform/Layout.h"
#include "platform/LogCategories.h"
#include "platform/ProtectedPaths.h"
#include "platform/UniqueFd.h"

#include <QByteArray>

#include <cerrno>
#include <cstdio>
#include <fcntl.h>
#include <sys/stat.h>
#include <unistd.h>

namespace corvane {

namespace {

// directorysizes has a line per trashed folder; a Trash of tens of thousands of folders
// stays far below this.
constexpr size_t kSizesLimit = 32 * 1024 * 1024;

struct TrashFolders
{
    std::string files;
    std::string info;
};

bool trashFolders(const Layout& layout, TrashFolders& out)
{
    auto files = layout.path(Layout::Role::Trash);
    auto info = layout.path(Layout::Role::TrashInfo);
    if (!files || !info)
        return false;
    out.files = ProtectedPaths::normalize(*files);
    out.info = ProtectedPaths::normalize(*info);
    return !out.files.empty() && !out.info.empty();
}

// Rewrites "directorysizes" in the Trash folder without the line of `name`. Lines read
// "<size> <mtime> <percent-encoded name>"; writers differ in what they encode, so the
// name is compared after decoding.
bool dropSizeLine(int trashFd, const std::string& name)
{
    // A link or anything but a regular file is not ours to rewrite; a missing one means
    // there is nothing to keep in step.
    const auto text = BoundedFile::readAt(trashFd, "directorysizes", kSizesLimit, true);
    if (!text)
        return true;
    std::string kept;
    bool dropped = false;
    for (const std::string& line : BoundedFile::lines(*text)) {
        const size_t a = line.find(' ');
        const size_t b = a == std::string::npos ? std::string::npos : line.find(' ', a + 1);
        if (b != std::string::npos) {
            const QByteArray encoded(line.data() + b + 1, static_cast<qsizetype>(line.size() - b - 1));
            if (QByteArray::fromPercentEncoding(encoded).toStdString() == name) {
                dropped = true;
                continue;
            }
        }
        kept += line;
        kept += '\n';
    }
    if (!dropped)
        return true;
    // A fresh file renamed over the old one: a reader never sees half a file, and no
    // link or file planted at a temporary name is written through.
    return AtomicFile::replace(trashFd, "directorysizes", kept, 0600);
}

// Removes the records of `name` from the Trash folder `trashFd`.
bool forgetIn(int trashFd, const std::string& name)
{
    bool ok = true;
    UniqueFd info(::openat(trashFd, "info", O_RDONLY | O_DIRECTORY | O_NOFOLLOW | O_CLOEXEC));
    if (info) {
        const std::string record = name + ".trashinfo";
        struct stat st;
        if (::fstatat(info.get(), record.c_str(), &st, AT_SYMLINK_NOFOLLOW) == 0 && !S_ISDIR(st.st_mode))
            ok = ::unlinkat(info.get(), record.c_str(), 0) == 0 || errno == ENOENT;
    } else if (errno != ENOENT) {
        ok = false; // "info" is a link or unreadable: its records are not touched
        qCDebug(lcUninstall).noquote() << "Trash records left alone:" << logLine("info", errno);
    }
    return dropSizeLine(trashFd, name) && ok;
}

} // namespace

bool TrashEntries::isTrashEntry(const std::string& path, const Layout& layout)
{
    TrashFolders t;
    if (!trashFolders(layout, t))
        return false;
    const std::string p = ProtectedPaths::normalize(path);
    return !p.empty() && p != t.files && parentPath(p) == t.files;
}

bool TrashEntries::forgetEntry(const std::string& path, const Layout& layout)
{
    TrashFolders t;
    if (!trashFolders(layout, t) || !isTrashEntry(path, layout))
        return true;
    if (FileChecks::existsNoFollow(path))
        return false;
    UniqueFd trash(::open(parentPath(t.files).c_str(), O_RDONLY | O_DIRECTORY | O_CLOEXEC));
    if (!trash)
        return errno == ENOENT;
    return forgetIn(trash.get(), lastComponent(ProtectedPaths::normalize(path)));
}

bool TrashEntries::forgetEntry(const AnchoredPath& entry, const Layout& layout)
{
    if (!entry.container)
        return forgetEntry(entry.path, layout);
    TrashFolders t;
    if (!trashFolders(layout, t) || ProtectedPaths::normalize(entry.container->path()) != t.files ||
        entry.relative.empty() || entry.relative.find('/') != std::string::npos)
        return true;
    if (FileChecks::existsAt(entry.container->fd(), entry.relative.c_str()))
        return false;
    // The records live beside the folder the entry was listed from, and only while that
    // folder is still the Trash's own "files" (not a link to one elsewhere, not swapped).
    UniqueFd trash(::open(parentPath(t.files).c_str(), O_RDONLY | O_DIRECTORY | O_CLOEXEC));
    if (!trash)
        return false;
    UniqueFd files(::openat(trash.get(), "files", O_RDONLY | O_DIRECTORY | O_NOFOLLOW | O_CLOEXEC));
    struct stat st;
    if (!files || ::fstat(files.get(), &st) != 0 || st.st_dev != entry.container->dev() ||
        st.st_ino != entry.container->ino())
        return false;
    return forgetIn(trash.get(), entry.relative);
}

} // namespace corvane
