// SPDX-License-Identifier: GPL-3.0-or-later
#include "common/QSWebUtility.h"

#include "platform/DirectoryReader.h"
#include "platform/FileChecks.h"
#include "platform/FilePackage.h"
#include "platform/PathResolver.h"
#include "platform/UniqueFd.h"

#include <QCryptographicHash>

#include <algorithm>
#include <array>
#include <cerrno>
#include <climits>
#include <fcntl.h>
#include <string_view>
#include <sys/stat.h>
#include <unistd.h>
#include <vector>

namespace corvane {

namespace {

constexpr size_t kSampleSize = 4096;

std::string toHex(const QByteArray& digest)
{
    static constexpr char kDigits[] = "0123456789abcdef";
    std::string out;
    out.reserve(static_cast<size_t>(digest.size()) * 2);
    for (char c : digest) {
        const auto b = static_cast<unsigned char>(c);
        out.push_back(kDigits[b >> 4]);
        out.push_back(kDigits[b & 15]);
    }
    return out;
}

ssize_t preadFully(int fd, char* buffer, size_t size, off_t offset)
{
    size_t done = 0;
    while (done < size) {
        const ssize_t n = ::pread(fd, buffer + done, size - done, offset + static_cast<off_t>(done));
        if (n < 0 && errno == EINTR)
            continue;
        if (n < 0)
            return done ? static_cast<ssize_t>(done) : -1;
        if (n == 0)
            break;
        done += static_cast<size_t>(n);
    }
    return static_cast<ssize_t>(done);
}

size_t componentCount(const std::string& relative)
{
    return static_cast<size_t>(std::count(relative.begin(), relative.end(), '/')) + 1;
}

// The package's listing entries below the open folder `folderFd`, whose own relative
// path is `prefix` ("" for the package itself). Everything is reached relative to an
// open folder, links never followed, so the package may lie at any depth.
void listPackage(int folderFd, const std::string& prefix, std::vector<std::string>& result)
{
    std::vector<std::string> names;
    DirectoryReader::listNames(folderFd, names); // an unreadable folder adds what it gave
    for (const std::string& name : names) {
        const std::string relative = prefix.empty() ? name : prefix + "/" + name;
        if (relative.starts_with(".") || relative.starts_with("__MACOSX"))
            continue;
        struct stat st;
        if (::fstatat(folderFd, name.c_str(), &st, AT_SYMLINK_NOFOLLOW) != 0)
            continue;
        if (S_ISLNK(st.st_mode)) {
            result.push_back(relative);
        } else if (S_ISDIR(st.st_mode)) {
            if (componentCount(relative) > 3)
                continue;
            const UniqueFd child(::openat(folderFd, name.c_str(), O_RDONLY | O_DIRECTORY | O_NOFOLLOW | O_CLOEXEC));
            if (child)
                listPackage(child.get(), relative, result);
            result.push_back(relative);
        } else if (S_ISREG(st.st_mode)) {
            result.push_back(relative + "-" + std::to_string(static_cast<long long>(st.st_size)));
        }
    }
}

} // namespace

std::optional<std::string> QSWebUtility::hashString(const std::string& text, int kind)
{
    QCryptographicHash::Algorithm algorithm;
    switch (kind) {
    case 0: algorithm = QCryptographicHash::Md5; break;
    case 1: algorithm = QCryptographicHash::Sha1; break;
    case 2: algorithm = QCryptographicHash::Sha256; break;
    case 3: algorithm = QCryptographicHash::Sha512; break;
    default: return std::nullopt;
    }
    return toHex(QCryptographicHash::hash(QByteArrayView(text.data(), static_cast<qsizetype>(text.size())), algorithm));
}

std::optional<std::string> QSWebUtility::lazyMD5File(const std::string& path)
{
    if (path.empty())
        return std::nullopt;
    if (path.size() < PATH_MAX)
        return lazyMD5FileAt(AT_FDCWD, path.c_str());
    const auto parent = PathResolver::openParent(path);
    if (!parent)
        return std::nullopt;
    return lazyMD5FileAt(parent->fd(), parent->name.c_str());
}

std::optional<std::string> QSWebUtility::lazyMD5FileAt(int dirFd, const char* name)
{
    // O_NONBLOCK: a fifo swapped in for the file must not hang a worker.
    const UniqueFd fd(::openat(dirFd, name, O_RDONLY | O_CLOEXEC | O_NOFOLLOW | O_NONBLOCK | O_NOCTTY));
    if (!fd)
        return std::nullopt;
    struct stat st;
    if (::fstat(fd.get(), &st) != 0 || !S_ISREG(st.st_mode))
        return std::nullopt;
    const off_t end = ::lseek(fd.get(), 0, SEEK_END);
    if (end <= 0)
        return std::nullopt;
    const auto size = static_cast<uint64_t>(end);
    const uint64_t samples = std::min<uint64_t>(size / kSampleSize + 1, 3);
    const uint64_t step = size / samples;
    QCryptographicHash md5(QCryptographicHash::Md5);
    char buffer[kSampleSize];
    bool readAny = false;
    for (uint64_t i = 0; i < samples; ++i) {
        const ssize_t n = preadFully(fd.get(), buffer, sizeof buffer, static_cast<off_t>(i * step));
        if (n <= 0)
            break;
        readAny = true;
        md5.addData(QByteArrayView(buffer, n));
    }
    if (!readAny)
        return std::nullopt; // unreadable: no fingerprint rather than the digest of nothing
    return toHex(md5.result());
}

std::string QSWebUtility::lazyHashPackage(const std::string& path)
{
    std::vector<std::string> result;
    if (const UniqueFd package = PathResolver::openAnyLength(path, O_RDONLY | O_DIRECTORY | O_NOFOLLOW))
        listPackage(package.get(), {}, result);
    std::sort(result.begin(), result.end());
    std::string joined;
    for (size_t i = 0; i < result.size(); ++i) {
        if (i)
            joined.push_back(',');
        joined += result[i];
    }
    return *hashString(joined, 0);
}

std::optional<std::string> QSWebUtility::lazyHashFile(const std::string& path)
{
    if (directoryValidApp(path))
        return lazyHashPackage(path);
    return lazyMD5File(path);
}

bool QSWebUtility::hasProductFolderName(const std::string& path)
{
    static constexpr std::array<std::string_view, 5> kProductFolders = {
        "Adobe Extension Manager", "Adobe Photoshop", "Microsoft Office",
        "Adobe Application Manager", "Adobe Utilities",
    };
    const std::string name = lastComponent(path);
    return std::any_of(kProductFolders.begin(), kProductFolders.end(),
                       [&](std::string_view product) { return name.find(product) != std::string::npos; });
}

bool QSWebUtility::directoryValidApp(const std::string& path)
{
    if (FilePackage::isFilePackage(path))
        return true;
    return hasProductFolderName(path) && FileChecks::isDirectory(path);
}

} // namespace corvane
