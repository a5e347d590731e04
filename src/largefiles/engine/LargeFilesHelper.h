#pragma once

#include "common/NotificationPoster.h"
#include "common/SearchWalker.h"

#include <QMetaType>
#include <QObject>

#include <atomic>
#include <cstdint>
#include <functional>
#include <memory>
#include <mutex>
#include <optional>
#include <string>
#include <vector>

namespace corvane {

class SerialQueue;

// Notification names and user-info keys, shared with the large-file screen.
inline constexpr char kLargePathNotification[] = "LargePath";
inline constexpr char kLargePathFilePathKey[] = "filePath";
inline constexpr char kQSLargesNotification[] = "QSLargesNotification";
inline constexpr char kQSLargesFileSizeKey[] = "QSLargesFileSize";
inline constexpr char kQSLargesFileListKey[] = "QSLargesFileList";
inline constexpr char kQSLargesFinishedKey[] = "QSLargesFinished";

// "LargePath": the item now being examined, sent for every examined item.
struct LargePathInfo
{
    std::string filePath;
};

// "QSLargesNotification": a hit (size and a one-element list) or, with only `finished`,
// the end of the run.
struct LargesNotificationInfo
{
    std::optional<uint64_t> fileSize;
    std::optional<std::vector<std::string>> fileList;
    std::optional<bool> finished;
};

// Walks the chosen folders in the background and reports every file, and every file
// package taken whole, of at least ten million bytes (decimal). At most five items are
// examined at once; each examined item gets a "LargePath" notification and each hit a
// "QSLargesNotification"; the run ends with exactly one "QSLargesNotification" carrying
// "QSLargesFinished", also after a stop, always the last of its run. Notifications are
// emitted as the signals below on the notification queue: the main thread, or the
// serial queue set with setNotificationQueue.
//
// Settings are taken when a run starts; changing them during a run affects the next one.
// A package is reported whole (its size being its tree's size) and, unless
// filterPackage is set, also entered. Symbolic links are never followed.
class LargeFilesHelper : public QObject
{
    Q_OBJECT

public:
    static constexpr uint64_t kMinimumFloor = 10000000;
    using ExtensionPredicate = std::function<bool(const std::string& extension)>;

    explicit LargeFilesHelper(QObject* parent = nullptr);
    ~LargeFilesHelper() override; // stops a run and waits for it; nothing is emitted afterwards

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
    // Waits until the current run, its end notification scheduled, has returned.
    void waitForSearch();

    bool directoryValid(const std::string& path) const;
    std::vector<std::string> directorySubPath(const std::string& path) const;
    bool fileValid(const std::string& path, uint64_t* size) const;
    // Emits "QSLargesNotification" on the calling thread; the hash is accepted and
    // ignored. With neither size nor list it carries "QSLargesFinished" = not searching.
    void largespostNotificationSize(std::optional<uint64_t> size, std::optional<std::string> hash,
                                    std::optional<std::vector<std::string>> fileList);

signals:
    void largePath(const corvane::LargePathInfo& info);
    void largesNotification(const corvane::LargesNotificationInfo& info);

private:
    struct Settings
    {
        std::vector<std::string> searchPaths;
        uint64_t minFileSize = 0;
        uint64_t maxFileSize = 0;
        std::vector<std::string> filterFilePaths;
        bool filterPackage = false;
        ExtensionPredicate extensionsPredicate;
    };

    static bool directoryValid(const Settings& settings, const std::string& path);
    static bool sizeValid(const Settings& settings, uint64_t size, const std::string& path);

    void searchStart(std::shared_ptr<const Settings> settings);
    void searchByEnum(const std::vector<std::string>& roots, const SearchWalker::Rules& rules);
    void searth(const std::string& path, bool isDirectory, const SearchWalker::Rules& rules);
    void fileDispose(const Settings& settings, SearchWalker::Batch& batch);

    mutable std::mutex m_settingsMutex;
    Settings m_settings;
    std::atomic<bool> m_searching{false};
    NotificationPoster m_poster;
    SearchWalker m_walker; // last: its destructor stops the run before the rest goes
};

} // namespace corvane

Q_DECLARE_METATYPE(corvane::LargePathInfo)
Q_DECLARE_METATYPE(corvane::LargesNotificationInfo)
