// SPDX-License-Identifier: GPL-3.0-or-later
#pragma once

#include "common/NotificationPoster.h"
#include "search/engine/SearchWalker.h"

#include <atomic>
#include <cstdint>
#include <functional>
#include <memory>
#include <mutex>
#include <string>
#include <vector>

namespace corvane {

class SerialQueue;

// The settings, the background run and the notification plumbing that the large-file and
// the duplicate searches share. An engine derives from QObject first and from this; it
// keeps its own size floor, folder rule, examination and notifications.
//
// Settings are taken when a run starts; changing them during a run affects the next one.
// A run is one call of runSearch() on the walker's thread, followed by exactly one
// postFinished(), always the last notification of its run, also after a stop.
//
// An engine must call shutDown() first thing in its own destructor: the run calls back
// into the engine, so it has to end while the engine is still whole.
class SearchHelperBase
{
public:
    using ExtensionPredicate = std::function<bool(const std::string& extension)>;

    // A root of the last run that could not be read whole: what the run reported from it
    // leaves out what lies in `firstUnreadable` (and any later unreadable folder).
    struct IncompleteRoot
    {
        std::string root;
        bool rootUnreadable = false; // nothing of the root itself could be read
        int error = 0;
        std::string firstUnreadable;
    };

    SearchHelperBase(const SearchHelperBase&) = delete;
    SearchHelperBase& operator=(const SearchHelperBase&) = delete;

    std::vector<std::string> searchPaths() const;
    void setSearchPaths(std::vector<std::string> paths);
    SerialQueue* notificationQueue() const; // null: the main thread
    void setNotificationQueue(SerialQueue* queue);
    uint64_t minFileSize() const;
    void setMinFileSize(uint64_t size);
    uint64_t maxFileSize() const;
    void setMaxFileSize(uint64_t size);
    std::vector<std::string> filterFilePaths() const;
    void setFilterFilePaths(std::vector<std::string> prefixes);
    bool filterPackage() const;
    void setFilterPackage(bool filter);
    void setExtensionsPredicate(ExtensionPredicate predicate);
    bool searching() const { return m_searching.load(); }

    // Starts a run in the background unless one is under way; never blocks the caller.
    void startSearch();
    // The walk ends at the next entry it looks at; what is being examined finishes.
    void stopSearch();
    // Waits until the current run, its finished notification scheduled, has returned.
    void waitForSearch();
    // The roots of the last run that could not be read whole, in the order they were
    // walked; final by the time the run's finished notification is emitted.
    std::vector<IncompleteRoot> incompleteRoots() const;

    // False for a folder under one of the filtered prefixes, or for a package while
    // packages are filtered.
    bool directoryValid(const std::string& path) const;
    // The folder's visible entries (no "." or "__MACOSX" names), in listing order.
    std::vector<std::string> directorySubPath(const std::string& path) const;
    // Whether the item's size (its tree's for a folder, stored in *size when given) and
    // extension pass the settings.
    bool fileValid(const std::string& path, uint64_t* size) const;

protected:
    struct Settings
    {
        std::vector<std::string> searchPaths;
        uint64_t minFileSize = 0;
        uint64_t maxFileSize = 0;
        std::vector<std::string> filterFilePaths;
        bool filterPackage = false;
        ExtensionPredicate extensionsPredicate;
    };

    // Sizes below `minimumFloor` never pass, whatever minFileSize says.
    explicit SearchHelperBase(uint64_t minimumFloor);
    virtual ~SearchHelperBase();

    // The engine's search, on the walker's thread: builds its rules and calls walkRoots.
    virtual void runSearch(std::shared_ptr<const Settings> settings) = 0;
    // Emits the engine's end-of-run notification; runs on the notification queue.
    virtual void postFinished(bool finished) = 0;

    // Closes the poster (nothing is emitted afterwards), stops the run and waits for it.
    void shutDown();
    // Walks the settings' roots, nested and repeated ones once, and returns when every
    // examination handed over has finished: `rules` may go away afterwards.
    void walkRoots(const Settings& settings, const SearchWalker::Rules& rules);

    static bool directoryValid(const Settings& settings, const std::string& path);
    bool sizeValid(const Settings& settings, uint64_t size, const std::string& path) const;
    // One root: a folder walked with the rules, or a regular file examined by itself.
    void searth(const std::string& path, bool isDirectory, const SearchWalker::Rules& rules);
    // Records a root that could not be read whole.
    void noteIncomplete(IncompleteRoot root);

private:
    template <typename T> T setting(T Settings::*field) const;
    template <typename T> void setSetting(T Settings::*field, T value);
    void searchStart(std::shared_ptr<const Settings> settings);
    void searchByEnum(const std::vector<std::string>& roots, const SearchWalker::Rules& rules);

    const uint64_t m_minimumFloor;
    mutable std::mutex m_settingsMutex;
    Settings m_settings;
    mutable std::mutex m_incompleteMutex;
    std::vector<IncompleteRoot> m_incomplete;
    std::atomic<bool> m_searching{false};

protected:
    NotificationPoster m_poster;
    SearchWalker m_walker; // last: its destructor stops the run before the rest goes
};

} // namespace corvane
