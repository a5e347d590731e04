// SPDX-License-Identifier: GPL-3.0-or-later
#pragma once

#include "common/SerialQueue.h"
#include "duplicates/engine/DuplicateGroupRecord.h"
#include "duplicates/engine/DuplicatedFileObject.h"
#include "duplicates/engine/QSDuplicationHelper.h"
#include "search/engine/SearchSessionCore.h"

#include <QObject>

#include <map>
#include <mutex>
#include <optional>
#include <string>
#include <utility>
#include <vector>

namespace corvane {

class Layout;

// The workflow behind the duplicate folder view: the folder rows, the scan and stop, the
// groups collected while the engine searches, and the hand-over of the results when the
// search ends. Lives on the main thread; the engine's notifications arrive on a private
// serial queue and only touch what is guarded here. Row progress is applied by a timer
// every 100 ms, never once per file.
class DuplicatedScanSession : public QObject
{
    Q_OBJECT

public:
    static constexpr int kProgressIntervalMs = SearchSessionCore::kProgressIntervalMs;
    using ScanAction = SearchSessionCore::ScanAction;

    explicit DuplicatedScanSession(QObject* parent = nullptr);
    ~DuplicatedScanSession() override;

    SearchFolderList& folders() { return m_core.folders(); }
    const std::vector<DuplicatedFileObject>& list() const { return m_core.folders().list(); }
    QSDuplicationHelper& helper() { return m_helper; }
    // True while idle (the button reads "扫描").
    bool isSanOrStop() const { return m_core.isSanOrStop(); }
    // A stop was asked for and the engine has not ended yet.
    bool stopping() const { return m_core.stopping(); }
    bool canEditRows() const { return m_core.canEditRows(); }

    // Adds the layout's Downloads folder.
    void addDownloads(const Layout& layout);
    int addPaths(const std::vector<std::string>& paths);
    void removeRow(int row);
    void removeAll();

    // "扫描" / "停止".
    ScanAction scanResult();
    const std::vector<DuplicateGroupRecord>& results() const { return m_results; }
    // Milliseconds from the start of the last run to its results.
    qint64 lastRunMs() const { return m_core.lastRunMs(); }

    // The group's extension: the first non-empty lower-cased one, replaced by a later
    // one when more paths spell it exactly in lower or upper case than the candidate had.
    static std::optional<std::string> representativeExtension(const std::vector<std::string>& paths);

signals:
    void rowsChanged(const std::vector<int>& rows); // progress texts of those rows
    void listChanged();                             // rows added or removed, or all texts
    void stateChanged();                            // idle / scanning
    void finished();                                // results() holds the new groups

private:
    void receiveResults(const DuplicationNotificationInfo& info);
    void finishRun(std::vector<DuplicateGroupRecord> results);

    SearchSessionCore m_core;
    std::vector<DuplicateGroupRecord> m_results;

    // (size, fingerprint) → the group's latest record, in the order the groups formed.
    // The fingerprint alone is no key: it samples three blocks, so files of different
    // sizes share it (every zero-filled file of three blocks or more has the same one),
    // and keying by it would let one group's record replace another's.
    using GroupKey = std::pair<uint64_t, std::string>;
    std::mutex m_tempMutex;
    std::map<GroupKey, size_t> m_tempIndex;
    std::vector<DuplicateGroupRecord> tempResultDictionary;

    SerialQueue m_queue{"corvane.dups.notifications"}; // before the engine: it posts here
    QSDuplicationHelper m_helper;
};

} // namespace corvane
