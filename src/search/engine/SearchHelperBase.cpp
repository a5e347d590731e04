// SPDX-License-Identifier: GPL-3.0-or-later
#include "search/engine/SearchHelperBase.h"

#include "common/QSFileUtility.h"
#include "common/SerialQueue.h"
#include "platform/FileChecks.h"
#include "platform/FilePackage.h"

#include <algorithm>
#include <cerrno>
#include <sys/stat.h>

namespace corvane {

SearchHelperBase::SearchHelperBase(uint64_t minimumFloor) : m_minimumFloor(minimumFloor) {}

SearchHelperBase::~SearchHelperBase()
{
    shutDown();
}

void SearchHelperBase::shutDown()
{
    m_poster.close();
    m_walker.stop();
    m_walker.waitForRun();
}

template <typename T> T SearchHelperBase::setting(T Settings::*field) const
{
    std::lock_guard lock(m_settingsMutex);
    return m_settings.*field;
}

template <typename T> void SearchHelperBase::setSetting(T Settings::*field, T value)
{
    std::lock_guard lock(m_settingsMutex);
    m_settings.*field = std::move(value);
}

std::vector<std::string> SearchHelperBase::searchPaths() const
{
    return setting(&Settings::searchPaths);
}

void SearchHelperBase::setSearchPaths(std::vector<std::string> paths)
{
    setSetting(&Settings::searchPaths, std::move(paths));
}

uint64_t SearchHelperBase::minFileSize() const
{
    return setting(&Settings::minFileSize);
}

void SearchHelperBase::setMinFileSize(uint64_t size)
{
    setSetting(&Settings::minFileSize, size);
}

uint64_t SearchHelperBase::maxFileSize() const
{
    return setting(&Settings::maxFileSize);
}

void SearchHelperBase::setMaxFileSize(uint64_t size)
{
    setSetting(&Settings::maxFileSize, size);
}

std::vector<std::string> SearchHelperBase::filterFilePaths() const
{
    return setting(&Settings::filterFilePaths);
}

void SearchHelperBase::setFilterFilePaths(std::vector<std::string> prefixes)
{
    setSetting(&Settings::filterFilePaths, std::move(prefixes));
}

bool SearchHelperBase::filterPackage() const
{
    return setting(&Settings::filterPackage);
}

void SearchHelperBase::setFilterPackage(bool filter)
{
    setSetting(&Settings::filterPackage, filter);
}

void SearchHelperBase::setExtensionsPredicate(ExtensionPredicate predicate)
{
    setSetting(&Settings::extensionsPredicate, std::move(predicate));
}

SerialQueue* SearchHelperBase::notificationQueue() const
{
    return m_poster.queue();
}

void SearchHelperBase::setNotificationQueue(SerialQueue* queue)
{
    m_poster.setQueue(queue);
}

void SearchHelperBase::startSearch()
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

void SearchHelperBase::stopSearch()
{
    m_walker.stop();
}

void SearchHelperBase::waitForSearch()
{
    m_walker.waitForRun();
}

std::vector<SearchHelperBase::IncompleteRoot> SearchHelperBase::incompleteRoots() const
{
    std::lock_guard lock(m_incompleteMutex);
    return m_incomplete;
}

void SearchHelperBase::noteIncomplete(IncompleteRoot root)
{
    std::lock_guard lock(m_incompleteMutex);
    m_incomplete.push_back(std::move(root));
}

void SearchHelperBase::searchStart(std::shared_ptr<const Settings> settings)
{
    {
        std::lock_guard lock(m_incompleteMutex);
        m_incomplete.clear();
    }
    m_searching.store(true);
    runSearch(std::move(settings));
    m_searching.store(false);
    // Always true here, a stopped run included: a session knows a stop from its own request.
    const bool finished = !m_searching.load();
    m_poster.post([this, finished](const std::atomic<bool>&) { postFinished(finished); });
}

void SearchHelperBase::walkRoots(const Settings& settings, const SearchWalker::Rules& rules)
{
    searchByEnum(SearchWalker::reduceRoots(settings.searchPaths), rules);
    m_walker.drain();
}

void SearchHelperBase::searchByEnum(const std::vector<std::string>& roots, const SearchWalker::Rules& rules)
{
    for (const std::string& root : roots) {
        if (m_walker.isStopped())
            return;
        struct stat st;
        if (!FileChecks::lstatPath(root, st)) {
            // A root that is not there is simply not searched; one that is there but
            // cannot even be looked at hides all it holds.
            if (errno != ENOENT && errno != ENOTDIR)
                noteIncomplete(IncompleteRoot{root, true, errno, root});
            continue;
        }
        if (S_ISDIR(st.st_mode))
            searth(root, true, rules);
        else if (S_ISREG(st.st_mode))
            searth(root, false, rules);
    }
}

void SearchHelperBase::searth(const std::string& path, bool isDirectory, const SearchWalker::Rules& rules)
{
    const SearchWalker::Report report = m_walker.walk(path, isDirectory, rules);
    if (report.incomplete)
        noteIncomplete(IncompleteRoot{path, report.rootUnreadable, report.error, report.firstUnreadable});
}

bool SearchHelperBase::directoryValid(const Settings& settings, const std::string& path)
{
    for (const std::string& prefix : settings.filterFilePaths)
        if (path.starts_with(prefix))
            return false;
    if (settings.filterPackage && FilePackage::isFilePackage(path))
        return false;
    return true;
}

bool SearchHelperBase::directoryValid(const std::string& path) const
{
    std::lock_guard lock(m_settingsMutex);
    return directoryValid(m_settings, path);
}

std::vector<std::string> SearchHelperBase::directorySubPath(const std::string& path) const
{
    return SearchWalker::listFolder(path, &SearchWalker::isVisibleName);
}

bool SearchHelperBase::sizeValid(const Settings& settings, uint64_t size, const std::string& path) const
{
    const uint64_t low = std::max(settings.minFileSize, m_minimumFloor);
    if (size < low)
        return false;
    if (settings.maxFileSize > low && size > settings.maxFileSize)
        return false;
    if (settings.extensionsPredicate)
        return settings.extensionsPredicate(pathExtension(path));
    return true;
}

bool SearchHelperBase::fileValid(const std::string& path, uint64_t* size) const
{
    const uint64_t found = QSFileUtility::fileSizeByPath(path);
    if (size)
        *size = found;
    std::lock_guard lock(m_settingsMutex);
    return sizeValid(m_settings, found, path);
}

} // namespace corvane
