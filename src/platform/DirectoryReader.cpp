// SPDX-License-Identifier: GPL-3.0-or-later
#include "platform/DirectoryReader.h"

#include "platform/UniqueFd.h"

#include <algorithm>

#include <cerrno>
#include <dirent.h>
#include <fcntl.h>
#include <sys/stat.h>
#include <sys/syscall.h>
#include <unistd.h>

namespace corvane {

namespace {

struct KernelDirent64
{
    ino64_t d_ino;
    off64_t d_off;
    unsigned short d_reclen;
    unsigned char d_type;
    char d_name[1]; // the kernel writes the whole NUL-terminated name here
};

unsigned char typeFromMode(mode_t mode)
{
    switch (mode & S_IFMT) {
    case S_IFDIR:
        return DT_DIR;
    case S_IFREG:
        return DT_REG;
    case S_IFLNK:
        return DT_LNK;
    case S_IFIFO:
        return DT_FIFO;
    case S_IFSOCK:
        return DT_SOCK;
    case S_IFCHR:
        return DT_CHR;
    case S_IFBLK:
        return DT_BLK;
    default:
        return DT_UNKNOWN;
    }
}

} // namespace

bool DirectoryReader::next(Entry& entry)
{
    for (;;) {
        if (m_offset >= m_size) {
            if (m_end || m_error)
                return false;
            const long n = ::syscall(SYS_getdents64, m_fd, m_buffer, sizeof m_buffer);
            if (n < 0) {
                if (errno == EINTR)
                    continue;
                m_error = errno ? errno : EIO;
                return false;
            }
            if (n == 0) {
                m_end = true;
                return false;
            }
            m_size = n;
            m_offset = 0;
        }
        auto* e = reinterpret_cast<KernelDirent64*>(m_buffer + m_offset);
        m_offset += e->d_reclen;
        const char* name = e->d_name;
        if (name[0] == '.' && (name[1] == 0 || (name[1] == '.' && name[2] == 0)))
            continue;
        entry.name = name;
        entry.type = e->d_type;
        if (entry.type == DT_UNKNOWN) {
            struct stat st;
            if (::fstatat(m_fd, name, &st, AT_SYMLINK_NOFOLLOW) == 0)
                entry.type = typeFromMode(st.st_mode);
        }
        return true;
    }
}

bool DirectoryReader::listNames(int folderFd, std::vector<std::string>& names)
{
    DirectoryReader reader(folderFd);
    Entry e;
    while (reader.next(e))
        names.emplace_back(e.name);
    return !reader.failed();
}

std::vector<std::string> DirectoryReader::sortedNames(const std::string& path)
{
    std::vector<std::string> names;
    UniqueFd fd(::open(path.c_str(), O_RDONLY | O_DIRECTORY | O_CLOEXEC));
    if (fd)
        listNames(fd.get(), names);
    std::sort(names.begin(), names.end());
    return names;
}

} // namespace corvane
