// SPDX-License-Identifier: GPL-3.0-or-later
#include "search/engine/SearchSessionCore.h"

#include "search/engine/SearchHelperBase.h"

#include <QDateTime>

namespace corvane {

SearchSessionCore::SearchSessionCore(QObject* owner, Hooks hooks) : m_hooks(std::move(hooks))
{
    m_progressTimer.setInterval(kProgressIntervalMs);
    QObject::connect(&m_progressTimer, &QTimer::timeout, owner, [this] {
        const std::vector<int> rows = m_folders.takeProgress();
        if (!rows.empty())
            m_hooks.rowsChanged(rows);
    });
}

int SearchSessionCore::addPaths(const std::vector<std::string>& paths)
{
    if (!canEditRows())
        return 0;
    const int added = m_folders.addPaths(paths);
    if (added)
        m_hooks.listChanged();
    return added;
}

void SearchSessionCore::removeRow(int row)
{
    if (!canEditRows())
        return;
    m_folders.removeRow(row);
    m_hooks.listChanged();
}

void SearchSessionCore::removeAll()
{
    if (!canEditRows())
        return;
    m_folders.removeAll();
    m_hooks.listChanged();
}

SearchSessionCore::ScanAction SearchSessionCore::scanResult(SearchHelperBase& engine,
                                                            const std::function<void()>& clearRun)
{
    if (m_stopping)
        return ScanAction::Ignored; // the stopped run has not ended yet
    if (!m_isSanOrStop) {
        engine.stopSearch();
        m_isSanOrStop = true;
        m_stopping = true;
        m_hooks.stateChanged();
        return ScanAction::Stopped;
    }
    if (m_folders.list().empty())
        return ScanAction::Alerted;
    m_folders.begin();
    m_hooks.listChanged();
    clearRun();
    engine.setSearchPaths(m_folders.filePaths());
    m_runStart = QDateTime::currentMSecsSinceEpoch();
    engine.startSearch();
    m_isSanOrStop = false;
    m_progressTimer.start();
    m_hooks.stateChanged();
    return ScanAction::Started;
}

void SearchSessionCore::finishRun()
{
    m_progressTimer.stop();
    m_folders.finish();
    m_isSanOrStop = true;
    m_stopping = false;
    m_lastRunMs = QDateTime::currentMSecsSinceEpoch() - m_runStart;
    m_hooks.listChanged();
    m_hooks.stateChanged();
}

} // namespace corvane
