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

// Notification names and user-info keys, shared with the duplicate screens.
inline constexpr char kQSDuplicationNotification[] = "QSDuplicationNotification";
inline constexpr char kQSDuplicationFileSizeKey[] = "QSDuplicationFileSize";
inline constexpr char kQSDuplicationFileHashKey[] = "QSDuplicationFileHash";
inline constexpr char kQSDuplicationFileListKey[] = "QSDuplicationFileList";
inline constexpr char kQSDuplicationFinishedKey[] = "QSDuplicationFinished";
inline constexpr char kRESULTPATHNotification[] = "RESULTPATH";
inline constexpr char kRESULTPATHFilePathKey[] = "filePath";

// "QSDuplicationNotification": a group that formed or grew (size, fingerprint and the
// group's full current list), or, with only `finished`, the end of the search.
struct DuplicationNotificationInfo
{
    std::optional<uint64_t> fileSize;
    std::optional<std::string> fileHash;
    std::optional<std::vector<std::string>> fileList;
    std::optional<bool> finished;
};

// "RESULTPATH": a file or package handed to examination, before any filtering.
struct ResultPathInfo
{
    std::string filePath;
};

// Walks the chosen folders in the background and groups the files it meets by size,
// then by a sampled fingerprint (QSWebUtility). A size met once costs no hashing; the
// second file of a size has both files hashed. Packages and the large product folders
// are compared as single items by their listing fingerprint and are not entered.
//
// A group notification carries the group's full list each time the group forms (two
// paths) or grows; a receiver keeps the latest list per size and fingerprint (files of
// different sizes can share a fingerprint, and are different groups). Two paths that are
// the same file (same device and inode: a hard link, or a folder reached twice through
// a bind mount) are never two members: the later path is left out, so deleting a
// "copy" can never delete the only data nor free nothing.
//
// The search ends with exactly one finished notification, also after a stop, always the
// last of its search. Notifications are emitted as the signals below on the
// notification queue: the main thread, or the serial queue set with
// setNotificationQueue. Settings are taken when a search starts.
class QSDuplicationHelper : public QObject, public SearchHelperBase
{
    Q_OBJECT

public:
    static constexpr uint64_t kMinimumFloor = 1024;

    explicit QSDuplicationHelper(QObject* parent = nullptr);
    ~QSDuplicationHelper() override; // stops a search and waits for it; nothing is emitted afterwards

    // Settings, startSearch / stopSearch / waitForSearch, directoryValid,
    // directorySubPath and fileValid come from SearchHelperBase.

    static bool directoryValidApp(const std::string& path);
    // Emits "QSDuplicationNotification" on the calling thread with the given values; with
    // none of them it carries "QSDuplicationFinished" = not searching.
    void postNotificationSize(std::optional<uint64_t> size, std::optional<std::string> hash,
                              std::optional<std::vector<std::string>> fileList);

signals:
    void duplicationNotification(const corvane::DuplicationNotificationInfo& info);
    void resultPath(const corvane::ResultPathInfo& info);

private:
    class FileInfo;
    struct Event;

    void runSearch(std::shared_ptr<const Settings> settings) override;
    void postFinished(bool finished) override;
    void examine(const Settings& settings, FileInfo& fileInfo, SearchWalker::Batch& batch);
    void postEvents(std::vector<Event>& pending);
};

} // namespace corvane

Q_DECLARE_METATYPE(corvane::DuplicationNotificationInfo)
Q_DECLARE_METATYPE(corvane::ResultPathInfo)
