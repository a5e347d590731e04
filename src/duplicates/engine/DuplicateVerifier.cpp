// SPDX-License-Identifier: GPL-3.0-or-later
#include "duplicates/engine/DuplicateVerifier.h"

#include "platform/DirectoryReader.h"
#include "platform/FileChecks.h"
#include "platform/PathResolver.h"

#include <algorithm>
#include <cerrno>
#include <cstring>
#include <fcntl.h>
#include <memory>
#include <sys/stat.h>
#include <unistd.h>

namespace corvane {

namespace {

constexpr size_t kBlock = 1 << 20;
constexpr size_t kBatch = 63;     // copies read beside one reference, well under any fd limit
constexpr int kMaxTreeDepth = 512; // deeper package trees are left unverified, never guessed

int64_t nanos(const timespec& t)
{
    return int64_t(t.tv_sec) * 1000000000 + t.tv_nsec;
}

DuplicateVerifier::Identity identityFrom(const struct stat& st)
{
    DuplicateVerifier::Identity id;
    id.valid = true;
    id.isDirectory = S_ISDIR(st.st_mode);
    id.dev = st.st_dev;
    id.ino = st.st_ino;
    id.size = st.st_size;
    id.mtimeNs = nanos(st.st_mtim);
    id.ctimeNs = nanos(st.st_ctim);
    return id;
}

// Reads exactly n bytes at offset, or fewer only at the end of the file.
ssize_t readFull(int fd, char* buf, size_t n, off_t offset)
{
    size_t done = 0;
    while (done < n) {
        const ssize_t r = ::pread(fd, buf + done, n - done, offset + off_t(done));
        if (r < 0) {
            if (errno == EINTR)
                continue;
            return -1;
        }
        if (r == 0)
            break;
        done += size_t(r);
    }
    return ssize_t(done);
}

// Sorted names of an open folder. The listing goes through a descriptor of its own, so the
// caller's descriptor keeps its offset and can be listed again.
bool listNames(int dirFd, std::vector<std::string>& names)
{
    const UniqueFd copy(::openat(dirFd, ".", O_RDONLY | O_DIRECTORY | O_CLOEXEC));
    if (!copy)
        return false;
    const bool ok = DirectoryReader::listNames(copy.get(), names);
    std::sort(names.begin(), names.end());
    return ok;
}

bool readLinkAt(int dirFd, const char* name, std::string& target)
{
    std::string buf(4096, '\0');
    const ssize_t n = ::readlinkat(dirFd, name, buf.data(), buf.size());
    if (n < 0 || size_t(n) >= buf.size())
        return false;
    target.assign(buf.data(), size_t(n));
    return true;
}

} // namespace

bool DuplicateVerifier::Identity::operator==(const Identity& o) const
{
    return valid == o.valid && isDirectory == o.isDirectory && dev == o.dev && ino == o.ino && size == o.size &&
           mtimeNs == o.mtimeNs && ctimeNs == o.ctimeNs;
}

DuplicateVerifier::Identity DuplicateVerifier::identityOf(const std::string& path)
{
    struct stat st{};
    if (!FileChecks::lstatPath(path, st))
        return {};
    return identityFrom(st);
}

const char* DuplicateVerifier::verdictName(Verdict verdict)
{
    switch (verdict) {
    case Verdict::Identical: return "identical";
    case Verdict::Differs: return "differs";
    case Verdict::SameFile: return "same-file";
    case Verdict::Unreadable: return "unreadable";
    }
    return "unknown";
}

namespace {

constexpr int kReadFlags = O_RDONLY | O_NOFOLLOW | O_CLOEXEC | O_NOCTTY | O_NONBLOCK;

} // namespace

UniqueFd DuplicateVerifier::opened(UniqueFd fd, const std::string& shownPath)
{
    if (fd) {
        ::posix_fadvise(fd.get(), 0, 0, POSIX_FADV_SEQUENTIAL);
        if (m_onOpen)
            m_onOpen(shownPath);
    }
    return fd;
}

UniqueFd DuplicateVerifier::openFile(const std::string& path)
{
    return opened(PathResolver::openAnyLength(path, kReadFlags), path);
}

UniqueFd DuplicateVerifier::openFileAt(int dirFd, const char* name, const std::string& shownPath)
{
    return opened(UniqueFd(::openat(dirFd, name, kReadFlags)), shownPath);
}

DuplicateVerifier::Verdict DuplicateVerifier::compare(const std::string& a, const std::string& b)
{
    return compareWith(a, {b}).front();
}

std::vector<DuplicateVerifier::Verdict> DuplicateVerifier::compareWith(const std::string& reference,
                                                                       const std::vector<std::string>& members)
{
    std::vector<Verdict> verdicts(members.size(), Verdict::Unreadable);
    struct stat ref{};
    if (members.empty() || !FileChecks::lstatPath(reference, ref))
        return verdicts;
    if (S_ISREG(ref.st_mode)) {
        for (size_t start = 0; start < members.size(); start += kBatch) {
            const size_t end = std::min(members.size(), start + kBatch);
            const std::vector<std::string> batch(members.begin() + long(start), members.begin() + long(end));
            const std::vector<Verdict> part = compareFiles(reference, batch);
            std::copy(part.begin(), part.end(), verdicts.begin() + long(start));
        }
        return verdicts;
    }
    if (!S_ISDIR(ref.st_mode))
        return verdicts;
    for (size_t i = 0; i < members.size(); ++i) {
        const Identity before = identityOf(members[i]);
        const Identity refBefore = identityOf(reference);
        if (!before.valid || !refBefore.valid)
            continue;
        if (!before.isDirectory) {
            verdicts[i] = Verdict::Differs;
            continue;
        }
        if (before.dev == refBefore.dev && before.ino == refBefore.ino) {
            verdicts[i] = Verdict::SameFile;
            continue;
        }
        const UniqueFd a = PathResolver::openAnyLength(reference, O_RDONLY | O_DIRECTORY | O_NOFOLLOW);
        const UniqueFd b = PathResolver::openAnyLength(members[i], O_RDONLY | O_DIRECTORY | O_NOFOLLOW);
        if (!a || !b)
            continue;
        Verdict v = compareTrees(a.get(), b.get(), 0);
        if (v == Verdict::Identical && !(identityOf(members[i]) == before && identityOf(reference) == refBefore))
            v = Verdict::Unreadable;
        verdicts[i] = v;
    }
    return verdicts;
}

std::vector<DuplicateVerifier::Verdict> DuplicateVerifier::compareFiles(const std::string& reference,
                                                                        const std::vector<std::string>& members)
{
    std::vector<Verdict> verdicts(members.size(), Verdict::Unreadable);
    const UniqueFd ref = openFile(reference);
    struct stat refSt{};
    if (!ref || ::fstat(ref.get(), &refSt) != 0 || !S_ISREG(refSt.st_mode))
        return verdicts;

    struct Copy
    {
        size_t index;
        UniqueFd fd;
        struct stat st;
    };
    std::vector<Copy> active;
    for (size_t i = 0; i < members.size(); ++i) {
        struct stat lst{};
        if (!FileChecks::lstatPath(members[i], lst))
            continue;
        if (!S_ISREG(lst.st_mode)) {
            verdicts[i] = Verdict::Differs;
            continue;
        }
        if (lst.st_dev == refSt.st_dev && lst.st_ino == refSt.st_ino) {
            verdicts[i] = Verdict::SameFile;
            continue;
        }
        if (lst.st_size != refSt.st_size) {
            verdicts[i] = Verdict::Differs;
            continue;
        }
        UniqueFd fd = openFile(members[i]);
        struct stat st{};
        if (!fd || ::fstat(fd.get(), &st) != 0 || st.st_dev != lst.st_dev || st.st_ino != lst.st_ino)
            continue; // replaced between the look and the open: leave it unverified
        active.push_back(Copy{i, std::move(fd), st});
    }

    std::unique_ptr<char[]> refBuf(new char[kBlock]);
    std::unique_ptr<char[]> buf(new char[kBlock]);
    off_t offset = 0;
    while (!active.empty()) {
        if (stopped())
            return verdicts;
        const ssize_t n = readFull(ref.get(), refBuf.get(), kBlock, offset);
        if (n < 0)
            return verdicts; // the reference is unreadable: nothing is verified
        m_bytesRead += uint64_t(n);
        for (auto it = active.begin(); it != active.end();) {
            const ssize_t m = readFull(it->fd.get(), buf.get(), kBlock, offset);
            if (m < 0) {
                it = active.erase(it); // stays Unreadable
                continue;
            }
            m_bytesRead += uint64_t(m);
            if (m != n || std::memcmp(refBuf.get(), buf.get(), size_t(n)) != 0) {
                verdicts[it->index] = Verdict::Differs;
                it = active.erase(it);
                continue;
            }
            ++it;
        }
        if (n == 0)
            break;
        offset += n;
    }
    // Both ends reached together. A file written to while it was read does not count as
    // verified: what was compared may no longer be what would be deleted.
    struct stat refAfter{};
    const bool refSteady = ::fstat(ref.get(), &refAfter) == 0 && identityFrom(refAfter) == identityFrom(refSt);
    for (Copy& c : active) {
        struct stat after{};
        const bool steady = ::fstat(c.fd.get(), &after) == 0 && identityFrom(after) == identityFrom(c.st);
        verdicts[c.index] = refSteady && steady ? Verdict::Identical : Verdict::Unreadable;
    }
    return verdicts;
}

DuplicateVerifier::Verdict DuplicateVerifier::compareOpenFiles(int fdA, int fdB, off_t size)
{
    std::unique_ptr<char[]> a(new char[kBlock]);
    std::unique_ptr<char[]> b(new char[kBlock]);
    off_t offset = 0;
    for (;;) {
        if (stopped())
            return Verdict::Unreadable;
        const ssize_t n = readFull(fdA, a.get(), kBlock, offset);
        const ssize_t m = readFull(fdB, b.get(), kBlock, offset);
        if (n < 0 || m < 0)
            return Verdict::Unreadable;
        m_bytesRead += uint64_t(n) + uint64_t(m);
        if (n != m || std::memcmp(a.get(), b.get(), size_t(n)) != 0)
            return Verdict::Differs;
        if (n == 0)
            return offset == size ? Verdict::Identical : Verdict::Differs;
        offset += n;
    }
}

DuplicateVerifier::Verdict DuplicateVerifier::compareTrees(int fdA, int fdB, int depth)
{
    if (depth > kMaxTreeDepth || stopped())
        return Verdict::Unreadable;
    std::vector<std::string> namesA, namesB;
    if (!listNames(fdA, namesA) || !listNames(fdB, namesB))
        return Verdict::Unreadable;
    if (namesA != namesB)
        return Verdict::Differs;
    for (const std::string& name : namesA) {
        struct stat sa{}, sb{};
        if (::fstatat(fdA, name.c_str(), &sa, AT_SYMLINK_NOFOLLOW) != 0 ||
            ::fstatat(fdB, name.c_str(), &sb, AT_SYMLINK_NOFOLLOW) != 0)
            return Verdict::Unreadable;
        if ((sa.st_mode & S_IFMT) != (sb.st_mode & S_IFMT))
            return Verdict::Differs;
        if (S_ISREG(sa.st_mode)) {
            if (sa.st_size != sb.st_size)
                return Verdict::Differs;
            if (sa.st_dev == sb.st_dev && sa.st_ino == sb.st_ino)
                continue; // one file linked into both trees: equal by definition
            const UniqueFd a = openFileAt(fdA, name.c_str(), name);
            const UniqueFd b = openFileAt(fdB, name.c_str(), name);
            if (!a || !b)
                return Verdict::Unreadable;
            const Verdict v = compareOpenFiles(a.get(), b.get(), sa.st_size);
            if (v != Verdict::Identical)
                return v;
        } else if (S_ISDIR(sa.st_mode)) {
            const UniqueFd a(::openat(fdA, name.c_str(), O_RDONLY | O_DIRECTORY | O_NOFOLLOW | O_CLOEXEC));
            const UniqueFd b(::openat(fdB, name.c_str(), O_RDONLY | O_DIRECTORY | O_NOFOLLOW | O_CLOEXEC));
            if (!a || !b)
                return Verdict::Unreadable;
            const Verdict v = compareTrees(a.get(), b.get(), depth + 1);
            if (v != Verdict::Identical)
                return v;
        } else if (S_ISLNK(sa.st_mode)) {
            std::string ta, tb;
            if (!readLinkAt(fdA, name.c_str(), ta) || !readLinkAt(fdB, name.c_str(), tb))
                return Verdict::Unreadable;
            if (ta != tb)
                return Verdict::Differs;
        } else if ((S_ISCHR(sa.st_mode) || S_ISBLK(sa.st_mode)) && sa.st_rdev != sb.st_rdev) {
            return Verdict::Differs;
        }
    }
    return Verdict::Identical;
}

} // namespace corvane
