// SPDX-License-Identifier: GPL-3.0-or-later
#include "duplicates/engine/DuplicatedScanSession.h"

#include "common/ThreadHandOff.h"
#include "platform/FileChecks.h"
#include "platform/StandardFolders.h"
#include "search/engine/SearchResultSupport.h"

#include <algorithm>

namespace corvane {

DuplicatedScanSession::DuplicatedScanSession(QObject* parent)
    : QObject(parent)
    , m_core(this, {[this](const std::vector<int>& rows) { emit rowsChanged(rows); }, [this] { emit listChanged(); },
                    [this] { emit stateChanged(); }})
{
    m_helper.setNotificationQueue(&m_queue);
    connect(&m_helper, &QSDuplicationHelper::resultPath, m_queue.context(),
            [this](const ResultPathInfo& info) { m_core.folders().notePath(info.filePath); });
    connect(&m_helper, &QSDuplicationHelper::duplicationNotification, m_queue.context(),
            [this](const DuplicationNotificationInfo& info) { receiveResults(info); });
}

DuplicatedScanSession::~DuplicatedScanSession()
{
    m_helper.stopSearch();
}

void DuplicatedScanSession::addDownloads(const Layout& layout)
{
    const std::string downloads = StandardFolders::first(StandardFolders::Directory::Downloads,
                                                         StandardFolders::UserDomain, layout);
    if (!downloads.empty())
        addPaths({downloads});
}

int DuplicatedScanSession::addPaths(const std::vector<std::string>& paths)
{
    return m_core.addPaths(paths);
}

void DuplicatedScanSession::removeRow(int row)
{
    m_core.removeRow(row);
}

void DuplicatedScanSession::removeAll()
{
    m_core.removeAll();
}

DuplicatedScanSession::ScanAction DuplicatedScanSession::scanResult()
{
    return m_core.scanResult(m_helper, [this] {
        {
            std::lock_guard lock(m_tempMutex);
            m_tempIndex.clear();
            tempResultDictionary.clear();
        }
        m_results.clear();
    });
}

void DuplicatedScanSession::receiveResults(const DuplicationNotificationInfo& info)
{
    if (info.fileList && info.fileSize && info.fileHash) {
        DuplicateGroupRecord record{*info.fileList, *info.fileSize, *info.fileHash,
                                    representativeExtension(*info.fileList)};
        std::lock_guard lock(m_tempMutex);
        auto [it, inserted] = m_tempIndex.emplace(GroupKey{record.fileSize, record.fileHash}, tempResultDictionary.size());
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
            this,
            ThreadHandOff::handedOver(
                [this, snapshot = std::move(snapshot)]() mutable { finishRun(std::move(snapshot)); }),
            Qt::QueuedConnection);
    }
}

void DuplicatedScanSession::finishRun(std::vector<DuplicateGroupRecord> results)
{
    m_results = std::move(results);
    m_core.finishRun();
    emit finished();
}

std::optional<std::string> DuplicatedScanSession::representativeExtension(const std::vector<std::string>& paths)
{
    std::optional<std::string> candidate;
    long candidateCount = 0;
    for (const std::string& path : paths) {
        const std::string ext = asciiLower(pathExtension(path));
        if (ext.empty())
            continue;
        if (!candidate) {
            candidate = ext;
            candidateCount = 1;
            continue;
        }
        const std::string up = asciiUpper(ext);
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
