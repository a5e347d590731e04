// SPDX-License-Identifier: GPL-3.0-or-later
#include "largefiles/engine/LargeFilesHelper.h"

#include "common/QSFileUtility.h"
#include "platform/FilePackage.h"

#include <sys/stat.h>

namespace corvane {

namespace {

bool isPackage(const std::string& path)
{
    // The extension test is free; only a candidate costs a stat.
    return FilePackage::hasPackageExtension(path) && FilePackage::isFilePackage(path);
}

struct Examined
{
    std::string path;
    std::optional<uint64_t> hitSize;
};

} // namespace

LargeFilesHelper::LargeFilesHelper(QObject* parent) : QObject(parent), SearchHelperBase(kMinimumFloor)
{
    qRegisterMetaType<LargePathInfo>();
    qRegisterMetaType<LargesNotificationInfo>();
}

LargeFilesHelper::~LargeFilesHelper()
{
    shutDown();
}

void LargeFilesHelper::runSearch(std::shared_ptr<const Settings> settings)
{
    SearchWalker::Rules rules;
    rules.folder = [settings](const std::string& path) {
        unsigned action = SearchWalker::Ignore;
        if (isPackage(path))
            action |= SearchWalker::Examine;
        if (directoryValid(*settings, path))
            action |= SearchWalker::Enter;
        return action;
    };
    rules.acceptName = &SearchWalker::isVisibleName;
    rules.examine = [this, settings](SearchWalker::Batch& batch) { fileDispose(*settings, batch); };
    walkRoots(*settings, rules);
}

void LargeFilesHelper::postFinished(bool finished)
{
    LargesNotificationInfo info;
    info.finished = finished;
    emit largesNotification(info);
}

void LargeFilesHelper::fileDispose(const Settings& settings, SearchWalker::Batch& batch)
{
    std::vector<Examined> examined;
    examined.reserve(batch.size());
    for (SearchWalker::Item& item : batch) {
        uint64_t size = 0;
        if (item.isFolder) {
            size = QSFileUtility::fileSizeByPath(item.path); // a package: its whole tree
        } else {
            // For a regular file the size of record is st_size (no index on this
            // platform; a regular file of length 0 has no other length to seek to).
            struct stat st;
            if (::fstatat(item.dirFd(), item.name(), &st, AT_SYMLINK_NOFOLLOW) == 0 && S_ISREG(st.st_mode))
                size = static_cast<uint64_t>(st.st_size);
        }
        Examined e{std::move(item.path), std::nullopt};
        if (sizeValid(settings, size, e.path))
            e.hitSize = size;
        examined.push_back(std::move(e));
    }
    // One block per batch keeps the queue light; inside it each item's "LargePath" still
    // comes before its hit, in the order the items were examined.
    m_poster.post([this, examined = std::move(examined)](const std::atomic<bool>& open) {
        for (const Examined& e : examined) {
            if (!open.load())
                return;
            emit largePath(LargePathInfo{e.path});
            if (e.hitSize && open.load())
                largespostNotificationSize(*e.hitSize, std::nullopt, std::vector<std::string>{e.path});
        }
    });
}

void LargeFilesHelper::largespostNotificationSize(std::optional<uint64_t> size, std::optional<std::string> hash,
                                                  std::optional<std::vector<std::string>> fileList)
{
    (void)hash;
    LargesNotificationInfo info;
    info.fileSize = size;
    info.fileList = std::move(fileList);
    if (!info.fileSize && !info.fileList)
        info.finished = !searching();
    emit largesNotification(info);
}

} // namespace corvane
