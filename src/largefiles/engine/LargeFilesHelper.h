// SPDX-License-Identifier: GPL-3.0-or-later
#pragma once

#include "search/engine/SearchHelperBase.h"

#include <QMetaType>
#include <QObject>

#include <cstdint>
#include <memory>
#include <optional>
#include <string>
#include <vector>

namespace corvane {

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
class LargeFilesHelper : public QObject, public SearchHelperBase
{
    Q_OBJECT

public:
    static constexpr uint64_t kMinimumFloor = 10000000;

    explicit LargeFilesHelper(QObject* parent = nullptr);
    ~LargeFilesHelper() override; // stops a run and waits for it; nothing is emitted afterwards

    // Settings, startSearch / stopSearch / waitForSearch, directoryValid,
    // directorySubPath and fileValid come from SearchHelperBase.

    // Emits "QSLargesNotification" on the calling thread; the hash is accepted and
    // ignored. With neither size nor list it carries "QSLargesFinished" = not searching.
    void largespostNotificationSize(std::optional<uint64_t> size, std::optional<std::string> hash,
                                    std::optional<std::vector<std::string>> fileList);

signals:
    void largePath(const corvane::LargePathInfo& info);
    void largesNotification(const corvane::LargesNotificationInfo& info);

private:
    void runSearch(std::shared_ptr<const Settings> settings) override;
    void postFinished(bool finished) override;
    void fileDispose(const Settings& settings, SearchWalker::Batch& batch);
};

} // namespace corvane

Q_DECLARE_METATYPE(corvane::LargePathInfo)
Q_DECLARE_METATYPE(corvane::LargesNotificationInfo)
