// SPDX-License-Identifier: GPL-3.0-or-later
#pragma once

#include "common/SerialQueue.h"
#include "largefiles/engine/LargeFilesHelper.h"
#include "largefiles/engine/LargeResultModel.h"
#include "search/engine/SearchSessionCore.h"

#include <QObject>

#include <mutex>
#include <vector>

namespace corvane {

class Layout;

// The workflow behind the large-file folder view: the folder rows (added and removed only
// while idle), scan and stop, the hits collected on the engine's private serial queue,
// and the hand-over of the hits at every end of a run, stopped or not. Lives on the main
// thread; row progress is applied by a timer every 100 ms, never once per file.
class LargeScanSession : public QObject
{
    Q_OBJECT

public:
    static constexpr int kProgressIntervalMs = SearchSessionCore::kProgressIntervalMs;
    using ScanAction = SearchSessionCore::ScanAction;

    explicit LargeScanSession(QObject* parent = nullptr);
    ~LargeScanSession() override;

    SearchFolderList& folders() { return m_core.folders(); }
    const std::vector<SearchFolderRow>& list() const { return m_core.folders().list(); }
    std::vector<std::string> filePaths() const { return m_core.folders().filePaths(); }
    LargeFilesHelper& helper() { return m_helper; }
    // True while idle (the button reads "扫描"), despite the name.
    bool isSanOrStop() const { return m_core.isSanOrStop(); }
    bool stopping() const { return m_core.stopping(); }
    bool canEditRows() const { return m_core.canEditRows(); }

    // One row for each of the user's Downloads folders.
    void addDownloads(const Layout& layout);
    int addPaths(const std::vector<std::string>& paths);
    void deleteRow(int row);
    void removeList();

    // "扫描" / "停止".
    ScanAction scanResult();
    const std::vector<LargeHit>& results() const { return m_results; }
    qint64 lastRunMs() const { return m_core.lastRunMs(); }

signals:
    void rowsChanged(const std::vector<int>& rows);
    void listChanged();
    void stateChanged();
    void finished();

private:
    void receiveResults(const LargesNotificationInfo& info);
    void finishRun(std::vector<LargeHit> hits);

    SearchSessionCore m_core;
    std::vector<LargeHit> m_results;

    std::mutex m_hitsMutex;
    std::vector<LargeHit> m_runHits; // appended on the notification queue

    SerialQueue m_queue{"corvane.large.notifications"}; // before the engine: it posts here
    LargeFilesHelper m_helper;
};

} // namespace corvane
