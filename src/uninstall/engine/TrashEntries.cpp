#include "uninstall/engine/TrashEntries.h"

#include "platform/FileChecks.h"
#include "platform/Layout.h"
#include "platform/ProtectedPaths.h"

#include <QByteArray>

#include <cerrno>
#include <cstdio>
#include <fcntl.h>
#include <fstream>
#include <sstream>
#include <sys/stat.h>
#include <unistd.h>

namespace corvane {

namespace {

struct TrashFolders
{
    std::string files;
    std::string info;
    std::string sizes;
};

bool trashFolders(TrashFolders& out)
{
    const Layout& layout = Layout::current();
    auto files = layout.path(Layout::Role::Trash);
    auto info = layout.path(Layout::Role::TrashInfo);
    if (!files || !info)
        return false;
    out.files = ProtectedPaths::normalize(*files);
    out.info = ProtectedPaths::normalize(*info);
    out.sizes = joinPath(parentPath(out.files), "directorysizes");
    return !out.files.empty() && !out.info.empty();
}

// Rewrites "directorysizes" without the line of `name`. Lines read
// "<size> <mtime> <percent-encoded name>"; writers differ in what they encode, so the
// name is compared after decoding.
bool dropSizeLine(const std::string& sizesPath, const std::string& name)
{
    std::ifstream in(sizesPath, std::ios::binary);
    if (!in)
        return true; // no cache, nothing to keep in step
    std::string line, kept;
    bool dropped = false;
    while (std::getline(in, line)) {
        const size_t a = line.find(' ');
        const size_t b = a == std::string::npos ? std::string::npos : line.find(' ', a + 1);
        if (b != std::string::npos) {
            const QByteArray encoded(line.data() + b + 1, static_cast<qsizetype>(line.size() - b - 1));
            const QByteArray decoded = QByteArray::fromPercentEncoding(encoded);
            if (decoded.toStdString() == name) {
                dropped = true;
                continue;
            }
        }
        kept += line;
        kept += '\n';
    }
    in.close();
    if (!dropped)
        return true;
    // Replace atomically so a reader never sees half a file.
    const std::string tmp = sizesPath + ".corvane-tmp";
    const int fd = ::open(tmp.c_str(), O_WRONLY | O_CREAT | O_TRUNC | O_CLOEXEC | O_NOFOLLOW, 0600);
    if (fd < 0)
        return false;
    size_t done = 0;
    while (done < kept.size()) {
        const ssize_t n = ::write(fd, kept.data() + done, kept.size() - done);
        if (n < 0 && errno == EINTR)
            continue;
        if (n <= 0)
            break;
        done += static_cast<size_t>(n);
    }
    const bool written = done == kept.size() && ::fsync(fd) == 0;
    ::close(fd);
    if (!written || ::rename(tmp.c_str(), sizesPath.c_str()) != 0) {
        ::unlink(tmp.c_str());
        return false;
    }
    return true;
}

} // namespace

bool TrashEntries::isTrashEntry(const std::string& path)
{
    TrashFolders t;
    if (!trashFolders(t))
        return false;
    const std::string p = ProtectedPaths::normalize(path);
    return !p.empty() && p != t.files && parentPath(p) == t.files;
}

bool TrashEntries::forgetEntry(const std::string& path)
{
    TrashFolders t;
    if (!trashFolders(t) || !isTrashEntry(path))
        return true;
    if (FileChecks::existsNoFollow(path))
        return false;
    const std::string name = lastComponent(ProtectedPaths::normalize(path));
    const std::string record = joinPath(t.info, name + ".trashinfo");
    struct stat st;
    bool ok = true;
    if (::lstat(record.c_str(), &st) == 0 && !S_ISDIR(st.st_mode))
        ok = ::unlink(record.c_str()) == 0 || errno == ENOENT;
    return dropSizeLine(t.sizes, name) && ok;
}

} // namespace corvane
