// SPDX-License-Identifier: GPL-3.0-or-later
#include "platform/ItemMetadata.h"

#include "platform/FilePackage.h"
#include "platform/TreeSize.h"

#include <fcntl.h>
#include <sys/stat.h>

namespace corvane {

uint64_t ItemMetadata::fsSize(const std::string& path)
{
    if (!FilePackage::isFilePackage(path))
        return 0;
    return TreeSize::sizeAtPath(path, false);
}

std::optional<QDateTime> ItemMetadata::creationDate(const std::string& path)
{
    struct statx sx;
    if (path.empty() || ::statx(AT_FDCWD, path.c_str(), AT_SYMLINK_NOFOLLOW, STATX_BTIME, &sx) != 0)
        return std::nullopt;
    if (!(sx.stx_mask & STATX_BTIME))
        return std::nullopt;
    return QDateTime::fromMSecsSinceEpoch(static_cast<qint64>(sx.stx_btime.tv_sec) * 1000 +
                                          sx.stx_btime.tv_nsec / 1000000);
}

} // namespace corvane
