#include "largefiles/engine/LargeScanSession.h"

#include "platform/StandardFolders.h"

#include <QDateTime>

namespace corvane {

LargeScanSession::LargeScanSession(QObject* parent) : QObject(parent)
{
    m_helper.setNotificationQueue(&m_queue);
    connect(&m_helper, &LargeFilesHelper::largePath, m_queue.context(),
            [this](const LargePathInfo& info) { resultPath(info); });
    connect(&m_helper, &LargeFilesHelper::largesNotification, m_queue.context(),
            [this](const LargesNotificationInfo& info) { receiveResults(info); });
    m_progressTimer.setInterval(kProgressIntervalMs);
    connect(&m_progressTimer, &QTimer::timeout, this, [this] {
        const std::vector<int> rows = m_folders.takeProgress();
        if (!rows.empty())
            emit rowsChanged(rows);
    });
}

LargeScanSession::~LargeScanSession()
{
    m_helper.stopSearch();
}

void LargeScanSession::addDownloads()
{
    addPaths(StandardFolders::search(StandardFolders::Directory::Downloads, StandardFolders::UserDomain));
}

int LargeScanSession::addPaths(const std::vector<std::string>& paths)
{
    if (!canEditRows())
        return 0;
    const int added = m_folders.addPaths(paths);
    if (added)
        emit listChanged();
    return added;
}

void LargeScanSession::deleteRow(int row)
{
    if (!canEditRows())
        return;
    m_folders.removeRow(row);
    emit listChanged();
}

void LargeScanSession::removeList()
{
    if (!canEditRows())
        return;
    m_folders.removeAll();
    emit listChanged();
}

LargeScanSession::ScanAction LargeScanSession::scanResult()
{
    if (m_stopping)
        return ScanAction::Ignored; // the stopped run has not ended yet
    if (m_folders.list().empty())
        return ScanAction::Alerted;
    if (!m_isSanOrStop) {
        m_helper.stopSearch();
        m_isSanOrStop = true;
        m_stopping = true;
        emit stateChanged();
        return ScanAction::Stopped;
    }
    m_folders.begin();
    emit listChanged();
    {
        std::lock_guard lock(m_hitsMutex);
        m_runHits.clear();
    }
    m_results.clear();
    m_helper.setSearchPaths(m_folders.filePaths());
    m_runStart = QDateTime::currentMSecsSinceEpoch();
    m_helper.startSearch();
    m_isSanOrStop = false;
    m_progressTimer.start();
    emit stateChanged();
    return ScanAction::Started;
}

void LargeScanSession::resultPath(const LargePathInfo& info)
{
    m_folders.notePath(info.filePath);
}

void LargeScanSession::receiveResults(const LargesNotificationInfo& info)
{
    if (info.fileList && info.fileSize) {
        std::lock_guard lock(m_hitsMutex);
        m_runHits.push_back(LargeHit{*info.fileList, *info.fileSize});
    }
    if (info.finished && *info.finished) {
        std::vector<LargeHit> hits;
        {
            std::lock_guard lock(m_hitsMutex);
            hits.swap(m_runHits);
        }
        QMetaObject::invokeMethod(
            this, [this, hits = std::move(hits)]() mutable { finishRun(std::move(hits)); }, Qt::QueuedConnection);
    }
}

void LargeScanSession::finishRun(std::vector<LargeHit> hits)
{
    m_progressTimer.stop();
    m_folders.finish();
    m_results = std::move(hits);
    m_isSanOrStop = true;
    m_stopping = false;
    m_lastRunMs = QDateTime::currentMSecsSinceEpoch() - m_runStart;
    emit listChanged();
    emit stateChanged();
    emit finished();
}

} // namespace corvane
