// SPDX-License-Identifier: GPL-3.0-or-later
#pragma once

#include "search/engine/SearchFolderRow.h"

#include <QString>

#include <map>
#include <mutex>
#include <string>
#include <vector>

namespace corvane {

// The folder rows of a search screen and the progress shown on them. Rows are changed on
// the main thread only. While a search runs, the engine's notification queue reports
// every examined file with notePath(); that only remembers the latest path per row, and
// the screen's timer applies it with takeProgress(), so a search over a million files
// costs a handful of repaints a second instead of one per file.
class SearchFolderList
{
public:
    static constexpr int kProgressChars = 40;

    const std::vector<SearchFolderRow>& list() const { return m_list; }
    const std::vector<SearchFolderRow>& pathArray() const { return m_pathArray; }
    // The `path` of every row, in order.
    std::vector<std::string> filePaths() const;

    // Adds a row for each path that exists and is neither a row already nor earlier in
    // the same batch; answers how many rows were added.
    int addPaths(const std::vector<std::string>& paths);
    void removeRow(int row);
    void removeAll();

    // A run starts: every row is marked busy and its progress text cleared.
    void begin();
    // From any thread: `filePath` is being examined.
    void notePath(const std::string& filePath);
    // Main thread: applies what notePath() collected since the last call; answers the
    // rows that changed.
    std::vector<int> takeProgress();
    // The run ended: every row shows "完成" and is no longer busy.
    void finish();

    // The text whole when it has at most `limit` characters, else "..." and its last
    // `limit` characters.
    static QString shortPath(const QString& text, int limit);
    static QString displayPath(const std::string& path);

private:
    std::vector<SearchFolderRow> m_list;
    std::vector<SearchFolderRow> m_pathArray;

    std::mutex m_progressMutex;
    std::vector<std::string> m_runPaths;          // the rows' paths for the run under way
    std::map<int, std::string> m_pendingProgress; // row → latest examined path
};

} // namespace corvane
