// SPDX-License-Identifier: GPL-3.0-or-later
#include "largefiles/engine/LargeScanSession.h"

#include "common/ThreadHandOff.h"
#include "platform/StandardFolders.h"

namespace corvane {

LargeScanSession::LargeScanSession(QObject* parent)
    : QObject(parent)
    , m_core(this, {[this](const std::vector<int>& rows) { emit rowsChanged(rows); }, [this] { emit listChanged(); },
                    [this] { emit stateChanged(); }})
{
    m_helper.setNotificationQueue(&m_queue);
    connect(&m_helper, &LargeFilesHelper::largePath, m_queue.context(),
            [this](const LargePathInfo& info) { m_core.folders().notePath(info.filePath); });
    connect(&m_helper, &LargeFilesHelper::largesNotification, m_queue.context(),
            [this](const LargesNotificationInfo& info) { receiveResults(info); });
}

LargeScanSession::~LargeScanSession()
{
    m_helper.stopSearch();
}

void LargeScanSession::addDownloads(const Layout& layout)
{
    addPaths(StandardFolders::search(StandardFolders::Directory::Downloads, StandardFolders::UserDomain, layout));
}

int LargeScanSession::addPaths(const std::vector<std::string>& paths)
{
    return m_core.addPaths(paths);
}

void LargeScanSession::deleteRow(int row)
{
    m_core.removeRow(row);
}

void LargeScanSession::removeList()
{
    m_core.removeAll();
}

LargeScanSession::ScanAction LargeScanSession::scanResult()
{
    return m_core.scanResult(m_helper, [this] {
        {
            std::lock_guard lock(m_hitsMutex);
            m_runHits.clear();
        }
        m_results.clear();
    });
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
            this, ThreadHandOff::handedOver([this, hits = std::move(hits)]() mutable { finishRun(std::move(hits)); }),
            Qt::QueuedConnection);
    }
}

void LargeScanSession::finishRun(std::vector<LargeHit> hits)
{
    m_results = std::move(hits);
    m_core.finishRun();
    emit finished();
}

} // namespace corvane
