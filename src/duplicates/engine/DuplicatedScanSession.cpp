#include "duplicates/engine/DuplicatedScanSession.h"

#include "platform/FileChecks.h"
#include "platform/StandardFolders.h"

#include <QDateTime>

#include <algorithm>

namespace corvane {

namespace {

std::string lower(std::string text)
{
    for (char& c : text)
        if (c >= 'A' && c <= 'Z')
            c = char(c - 'A' + 'a');
    return text;
}

std::string upper(std::string text)
{
    for (char& c : text)
        if (c >= 'a' && c <= 'z')
            c = char(c - 'a' + 'A');
    return text;
}

} // namespace

DuplicatedScanSession::DuplicatedScanSession(QObject* parent) : QObject(parent)
{
    m_helper.setNotificationQueue(&m_queue);
    connect(&m_helper, &QSDuplicationHelper::resultPath, m_queue.context(),
            [this](const ResultPathInfo& info) { resultPath(info); });
    connect(&m_helper, &QSDuplicationHelper::duplicationNotification, m_queue.context(),
            [this](const DuplicationNotificationInfo& info) { receiveResults(info); });
    m_progressTimer.setInterval(kProgressIntervalMs);
    connect(&m_progressTimer, &QTimer::timeout, this, [this] { flushProgress(); });
}

DuplicatedScanSession::~DuplicatedScanSession()
{
    m_helper.stopSearch();
}

void DuplicatedScanSession::addDownloads()
{
    const std::string downloads = StandardFolders::first(StandardFolders::Directory::Downloads,
                                                         StandardFolders::UserDomain);
    if (!downloads.empty())
        addPaths({downloads});
}

int DuplicatedScanSession::addPaths(const std::vector<std::string>& paths)
{
    if (!canEditRows())
        return 0;
    const int added = m_folders.addPaths(paths);
    if (added)
        emit listChanged();
    return added;
}

void DuplicatedScanSession::removeRow(int row)
{
    if (!canEditRows())
        return;
    m_folders.removeRow(row);
    emit listChanged();
}

void DuplicatedScanSession::removeAll()
{
    if (!canEditRows())
        return;
    m_folders.removeAll();
    emit listChanged();
}

DuplicatedScanSession::ScanAction DuplicatedScanSession::scanResult()
{
    if (m_stopping)
        return ScanAction::Ignored; // the stopped run has not ended yet
    if (!m_isSanOrStop) {
        m_helper.stopSearch();
        m_isSanOrStop = true;
        m_stopping = true;
        emit stateChanged();
        return ScanAction::Stopped;
    }
    if (m_folders.list().empty())
        return ScanAction::Alerted;
    m_folders.begin();
    emit listChanged();
    {
        std::lock_guard lock(m_tempMutex);
        m_tempIndex.clear();
        tempResultDictionary.clear();
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

void DuplicatedScanSession::resultPath(const ResultPathInfo& info)
{
    m_folders.notePath(info.filePath);
}

void DuplicatedScanSession::receiveResults(const DuplicationNotificationInfo& info)
{
    if (info.fileList && info.fileSize && info.fileHash) {
        DuplicateGroupRecord record{*info.fileList, *info.fileSize, *info.fileHash,
                                    representativeExtension(*info.fileList)};
        std::lock_guard lock(m_tempMutex);
        auto [it, inserted] = m_tempIndex.emplace(record.fileHash, tempResultDictionary.size());
        if (inserted)
            tempResultDictionary.push_back(std::move(record));
        else
            tempResultDictionary[it->second] = std::move(record);
        return;
    }
    if (info.finished) {
        std::vector<DuplicateGroupRecord> snapshot;
        {
            std::lock_guard lock(m_tempMutex);
            snapshot.swap(tempResultDictionary);
            m_tempIndex.clear();
        }
        QMetaObject::invokeMethod(
            this, [this, snapshot = std::move(snapshot)]() mutable { finishRun(std::move(snapshot)); },
            Qt::QueuedConnection);
    }
}

void DuplicatedScanSession::flushProgress()
{
    const std::vector<int> rows = m_folders.takeProgress();
    if (!rows.empty())
        emit rowsChanged(rows);
}

void DuplicatedScanSession::finishRun(std::vector<DuplicateGroupRecord> results)
{
    m_progressTimer.stop();
    m_folders.finish();
    m_results = std::move(results);
    m_isSanOrStop = true;
    m_stopping = false;
    m_lastRunMs = QDateTime::currentMSecsSinceEpoch() - m_runStart;
    emit listChanged();
    emit stateChanged();
    emit finished();
}

std::optional<std::string> DuplicatedScanSession::representativeExtension(const std::vector<std::string>& paths)
{
    std::optional<std::string> candidate;
    long candidateCount = 0;
    for (const std::string& path : paths) {
        const std::string ext = lower(pathExtension(path));
        if (ext.empty())
            continue;
        if (!candidate) {
            candidate = ext;
            candidateCount = 1;
            continue;
        }
        const std::string up = upper(ext);
        const long spelled = long(std::count_if(paths.begin(), paths.end(), [&](const std::string& p) {
            const std::string e = pathExtension(p);
            return e == ext || e == up;
        }));
        if (spelled > candidateCount) {
            candidate = ext;
            candidateCount = spelled;
        }
    }
    return candidate;
}

} // namespace corvane
