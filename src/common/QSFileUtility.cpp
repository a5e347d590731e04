// SPDX-License-Identifier: GPL-3.0-or-later
#include "common/QSFileUtility.h"

#include "platform/FileChecks.h"
#include "platform/ItemMetadata.h"
#include "platform/TreeSize.h"

#include <cstring>
#include <dirent.h>
#include <fcntl.h>
#include <sys/stat.h>
#include <unistd.h>
#include <vector>

namespace corvane {

uint16_t QSFileUtility::fileTypeByPath(const std::string& path)
{
    struct stat st;
    if (path.empty() || ::stat(path.c_str(), &st) != 0)
        return 0xE000;
    return static_cast<uint16_t>(st.st_mode);
}

bool QSFileUtility::fileIsRegular(const std::string& path)
{
    struct stat st;
    return !path.empty() && ::lstat(path.c_str(), &st) == 0 && S_ISREG(st.st_mode);
}

bool QSFileUtility::fileIsDirectory(const std::string& path)
{
    struct stat st;
    return !path.empty() && ::lstat(path.c_str(), &st) == 0 && S_ISDIR(st.st_mode);
}

uint64_t QSFileUtility::fileSizeByPath(const std::string& path)
{
    if (path.empty())
        return 0;
    if (uint64_t size = ItemMetadata::fsSize(path))
        return size;
    struct stat st;
    if (::stat(path.c_str(), &st) == 0 && st.st_size > 0)
        return static_cast<uint64_t>(st.st_size);
    const int fd = ::open(path.c_str(), O_RDONLY | O_CLOEXEC | O_NONBLOCK);
    if (fd < 0)
        return 0;
    const off_t end = ::lseek(fd, 0, SEEK_END);
    ::close(fd);
    return end > 0 ? static_cast<uint64_t>(end) : 0;
}

std::optional<QDateTime> QSFileUtility::fileCreateDateByPath(const std::string& path)
{
    return ItemMetadata::creationDate(path);
}

std::optional<QDateTime> QSFileUtility::fileAddDateByPath(const std::string& /*path*/)
{
    return std::nullopt;
}

QString QSFileUtility::stringFromDate(const QDateTime& date)
{
    return date.toLocalTime().toString(QStringLiteral("yyyy-MM-dd HH:mm:ss"));
}

QString QSFileUtility::stringFromDateByYear(const QDateTime& date)
{
    return date.toLocalTime().toString(QStringLiteral("yyyy-MM-dd"));
}

QString QSFileUtility::fileSizeByDoubleSize(double size)
{
    if (size >= 1000000000.0)
        return QString::asprintf("%.1fGB", size / 1e9);
    if (size >= 1000000.0)
        return QString::asprintf("%.1fMB", size / 1e6);
    if (size >= 1000.0)
        return QString::asprintf("%.1fKB", size / 1e3);
    return QString::asprintf("%.fB", size);
}

uint64_t QSFileUtility::sizeAtPath(const std::string& path, bool diskMode)
{
    return TreeSize::sizeAtPath(path, diskMode);
}

uint64_t QSFileUtility::fileSizeAtPath1(const std::string& path)
{
    struct stat st;
    if (path.empty() || ::stat(path.c_str(), &st) != 0)
        return 0;
    return static_cast<uint64_t>(st.st_size);
}

uint64_t QSFileUtility::folderSizeAtPath1(const std::string& path)
{
    struct stat st;
    if (path.empty() || ::stat(path.c_str(), &st) != 0)
        return 0;
    // The recursive listing reports what lies under the path; linked folders are listed
    // but not entered, and each entry counts with its (link-following) size.
    uint64_t total = 0;
    std::vector<std::string> work{path};
    while (!work.empty()) {
        const std::string folder = std::move(work.back());
        work.pop_back();
        DIR* dir = ::opendir(folder.c_str());
        if (!dir)
            continue;
        while (dirent* e = ::readdir(dir)) {
            if (std::strcmp(e->d_name, ".") == 0 || std::strcmp(e->d_name, "..") == 0)
                continue;
            const std::string child = joinPath(folder, e->d_name);
            total += fileSizeAtPath1(child);
            struct stat cst;
            if (::lstat(child.c_str(), &cst) == 0 && S_ISDIR(cst.st_mode))
                work.push_back(child);
        }
        ::closedir(dir);
    }
    return total;
}

} // namespace corvane
