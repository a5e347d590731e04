// SPDX-License-Identifier: GPL-3.0-or-later
#pragma once

#include "search/engine/SearchFolderList.h"

#include <QTimer>

#include <functional>
#include <string>
#include <vector>

class QObject;

namespace corvane {

class SearchHelperBase;

// The workflow that the large-file and the duplicate screens' sessions share: folder rows
// changed only while idle, scan and stop, row progress applied by a timer every 100 ms
// (never once per file) and the run's clock. Lives on the main thread inside its
// session; the session keeps its engine, the results it collects and its own signals,
// which the core raises through the hooks given to it.
class SearchSessionCore
{
public:
    static constexpr int kProgressIntervalMs = 100;
    enum class ScanAction { Alerted, Started, Stopped, Ignored };

    struct Hooks
    {
        std::function<void(const std::vector<int>& rows)> rowsChanged; // progress texts of those rows
        std::function<void()> listChanged;                             // rows added or removed, or all texts
        std::function<void()> stateChanged;                            // idle / scanning
    };

    // The timer's slot runs in `owner`'s context.
    SearchSessionCore(QObject* owner, Hooks hooks);
    SearchSessionCore(const SearchSessionCore&) = delete;
    SearchSessionCore& operator=(const SearchSessionCore&) = delete;

    SearchFolderList& folders() { return m_folders; }
    const SearchFolderList& folders() const { return m_folders; }
    // True while idle (the button reads "扫描").
    bool isSanOrStop() const { return m_isSanOrStop; }
    // A stop was asked for and the engine has not ended yet.
    bool stopping() const { return m_stopping; }
    bool canEditRows() const { return m_isSanOrStop && !m_stopping; }
    // Milliseconds from the start of the last run to its results; -1 before the first.
    qint64 lastRunMs() const { return m_lastRunMs; }

    // Each answers as the session's own operation would; nothing changes while a run
    // is under way or stopping.
    int addPaths(const std::vector<std::string>& paths);
    void removeRow(int row);
    void removeAll();

    // "扫描" / "停止": stops a run under way (the engine's end is still awaited), or, with
    // rows to search, calls `clearRun` to drop what the last run collected and starts
    // the engine on the rows.
    ScanAction scanResult(SearchHelperBase& engine, const std::function<void()>& clearRun);
    // The engine's end was received: back to idle, every row's text final.
    void finishRun();

private:
    Hooks m_hooks;
    SearchFolderList m_folders;
    bool m_isSanOrStop = true;
    bool m_stopping = false;
    QTimer m_progressTimer;
    qint64 m_runStart = 0;
    qint64 m_lastRunMs = -1;
};

} // namespace corvane
