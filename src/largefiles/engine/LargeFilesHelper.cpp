#include "largefiles/engine/LargeFilesHelper.h"

#include "common/QSFileUtility.h"
#include "common/SerialQueue.h"
#include "platform/FileChecks.h"
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

LargeFilesHelper::LargeFilesHelper(QObject* parent) : QObject(parent)
{
    qRegisterMetaType<LargePathInfo>();
    qRegisterMetaType<LargesNotificationInfo>();
}

LargeFilesHelper::~LargeFilesHelper()
{
    m_poster.close();
    m_walker.stop();
    m_walker.waitForRun();
}

std::vector<std::string> LargeFilesHelper::searchPaths() const
{
    std::lock_guard lock(m_settingsMutex);
    return m_settings.searchPaths;
}

void LargeFilesHelper::setSearchPaths(std::vector<std::string> paths)
{
    std::lock_guard lock(m_settingsMutex);
    m_settings.searchPaths = std::move(paths);
}

SerialQueue* LargeFilesHelper::notificationQueue() const
{
    return m_poster.queue();
}

void LargeFilesHelper::setNotificationQueue(SerialQueue* queue)
{
    m_poster.setQueue(queue);
}

uint64_t LargeFilesHelper::minFileSize() const
{
    std::lock_guard lock(m_settingsMutex);
    return m_settings.minFileSize;
}

void LargeFilesHelper::setMinFileSize(uint64_t size)
{
    std::lock_guard lock(m_settingsMutex);
    m_settings.minFileSize = size;
}

uint64_t LargeFilesHelper::maxFileSize() const
{
    std::lock_guard lock(m_settingsMutex);
    return m_settings.maxFileSize;
}

void LargeFilesHelper::setMaxFileSize(uint64_t size)
{
    std::lock_guard lock(m_settingsMutex);
    m_settings.maxFileSize = size;
}

std::vector<std::string> LargeFilesHelper::filterFilePaths() const
{
    std::lock_guard lock(m_settingsMutex);
    return m_settings.filterFilePaths;
}

void LargeFilesHelper::setFilterFilePaths(std::vector<std::string> prefixes)
{
    std::lock_guard lock(m_settingsMutex);
    m_settings.filterFilePaths = std::move(prefixes);
}

bool LargeFilesHelper::filterPackage() const
{
    std::lock_guard lock(m_settingsMutex);
    return m_settings.filterPackage;
}

void LargeFilesHelper::setFilterPackage(bool filter)
{
    std::lock_guard lock(m_settingsMutex);
    m_settings.filterPackage = filter;
}

void LargeFilesHelper::setExtensionsPredicate(ExtensionPredicate predicate)
{
    std::lock_guard lock(m_settingsMutex);
    m_settings.extensionsPredicate = std::move(predicate);
}

void LargeFilesHelper::startSearch()
{
    if (m_searching.exchange(true))
        return;
    m_walker.clearStop();
    std::shared_ptr<const Settings> settings;
    {
        std::lock_guard lock(m_settingsMutex);
        settings = std::make_shared<const Settings>(m_settings);
    }
    m_walker.runInBackground([this, settings] { searchStart(settings); });
}

void LargeFilesHelper::stopSearch()
{
    m_walker.stop();
}

void LargeFilesHelper::waitForSearch()
{
    m_walker.waitForRun();
}

void LargeFilesHelper::searchStart(std::shared_ptr<const Settings> settings)
{
    m_searching.store(true);

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

    searchByEnum(SearchWalker::reduceRoots(settings->searchPaths), rules);
    m_walker.drain();

    m_searching.store(false);
    const bool finished = !m_searching.load();
    m_poster.post([this, finished](const std::atomic<bool>&) {
        LargesNotificationInfo info;
        info.finished = finished;
        emit largesNotification(info);
    });
}

void LargeFilesHelper::searchByEnum(const std::vector<std::string>& roots, const SearchWalker::Rules& rules)
{
    for (const std::string& root : roots) {
        if (m_walker.isStopped())
            return;
        if (QSFileUtility::fileIsDirectory(root))
            searth(root, true, rules);
        else if (QSFileUtility::fileIsRegular(root))
            searth(root, false, rules);
    }
}

void LargeFilesHelper::searth(const std::string& path, bool isDirectory, const SearchWalker::Rules& rules)
{
    m_walker.walk(path, isDirectory, rules);
}

bool LargeFilesHelper::directoryValid(const Settings& settings, const std::string& path)
{
    for (const std::string& prefix : settings.filterFilePaths)
        if (path.starts_with(prefix))
            return false;
    if (settings.filterPackage && FilePackage::isFilePackage(path))
        return false;
    return true;
}

bool LargeFilesHelper::directoryValid(const std::string& path) const
{
    std::lock_guard lock(m_settingsMutex);
    return directoryValid(m_settings, path);
}

std::vector<std::string> LargeFilesHelper::directorySubPath(const std::string& path) const
{
    return SearchWalker::listFolder(path, &SearchWalker::isVisibleName);
}

bool LargeFilesHelper::sizeValid(const Settings& settings, uint64_t size, const std::string& path)
{
    const uint64_t low = std::max(settings.minFileSize, kMinimumFloor);
    if (size < low)
        return false;
    if (settings.maxFileSize > low && size > settings.maxFileSize)
        return false;
    if (settings.extensionsPredicate)
        return settings.extensionsPredicate(pathExtension(path));
    return true;
}

bool LargeFilesHelper::fileValid(const std::string& path, uint64_t* size) const
{
    const uint64_t found = QSFileUtility::fileSizeByPath(path);
    if (size)
        *size = found;
    std::lock_guard lock(m_settingsMutex);
    return sizeValid(m_settings, found, path);
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
        info.finished = !m_searching.load();
    emit largesNotification(info);
}

} // namespace corvane
