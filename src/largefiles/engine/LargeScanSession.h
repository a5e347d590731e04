#pragma once

#include "common/SearchFolderList.h"
#include "common/SerialQueue.h"
#include "largefiles/engine/LargeFilesHelper.h"
#include "largefiles/engine/LargeResultModel.h"

#include <QObject>
#include <QTimer>

#include <mutex>
#include <vector>

namespace corvane {

// The workflow behind the large-file folder view: the folder rows (added and removed only
// while idle), scan and stop, the hits collected on the engine's private serial queue,
// and the hand-over of the hits at every end of a run, stopped or not. Lives on the main
// thread; row progress is applied by a timer every 100 ms, never once per file.
class LargeScanSession : public QObject
{
    Q_OBJECT

public:
    static constexpr int kProgressIntervalMs = 100;
    enum class ScanAction { Alerted, Started, Stopped, Ignored };

    explicit LargeScanSession(QObject* parent = nullptr);
    ~LargeScanSession() override;

    SearchFolderList& folders() { return m_folders; }
    const std::vector<DuplicatedFileObject>& list() const { return m_folders.list(); }
    std::vector<std::string> filePaths() const { return m_folders.filePaths(); }
    LargeFilesHelper& helper() { return m_helper; }
    bool isSanOrStop() const { return m_isSanOrStop; }
    bool stopping() const { return m_stopping; }
    bool canEditRows() const { return m_isSanOrStop && !m_stopping; }

    // One row for each of the user's Downloads folders.
    void addDownloads();
    int addPaths(const std::vector<std::string>& paths);
    void deleteRow(int row);
    void removeList();

    // "扫描" / "停止".
    ScanAction scanResult();
    const std::vector<LargeHit>& results() const { return m_results; }
    qint64 lastRunMs() const { return m_lastRunMs; }

signals:
    void rowsChanged(const std::vector<int>& rows);
    void listChanged();
    void stateChanged();
    void finished();

private:
    void resultPath(const LargePathInfo& info);
    void receiveResults(const LargesNotificationInfo& info);
    void finishRun(std::vector<LargeHit> hits);

    SearchFolderList m_folders;
    bool m_isSanOrStop = true;
    bool m_stopping = false;
    std::vector<LargeHit> m_results;
    QTimer m_progressTimer;
    qint64 m_runStart = 0;
    qint64 m_lastRunMs = -1;

    std::mutex m_hitsMutex;
    std::vector<LargeHit> m_runHits; // appended on the notification queue

    SerialQueue m_queue{"corvane.large.notifications"}; // before the engine: it posts here
    LargeFilesHelper m_helper;
};

} // namespace corvane
