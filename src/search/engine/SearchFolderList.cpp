// SPDX-License-Identifier: GPL-3.0-or-later
#include "search/engine/SearchFolderList.h"

#include "platform/DisplayText.h"

#include "platform/FileChecks.h"
#include "search/engine/SearchWalker.h"

#include <QCoreApplication>
#include <QFile>

#include <algorithm>

namespace corvane {

std::vector<std::string> SearchFolderList::filePaths() const
{
    std::vector<std::string> paths;
    paths.reserve(m_list.size());
    for (const SearchFolderRow& row : m_list)
        paths.push_back(row.path);
    return paths;
}

int SearchFolderList::addPaths(const std::vector<std::string>& paths)
{
    auto known = [this](const std::string& path) {
        auto same = [&](const SearchFolderRow& row) { return row.path == path; };
        return std::any_of(m_list.begin(), m_list.end(), same) ||
               std::any_of(m_pathArray.begin(), m_pathArray.end(), same);
    };
    for (const std::string& path : paths) {
        if (path.empty() || !FileChecks::exists(path) || known(path))
            continue;
        m_pathArray.push_back(SearchFolderRow{path, QString(), false});
    }
    const int added = int(m_pathArray.size());
    m_list.insert(m_list.end(), std::make_move_iterator(m_pathArray.begin()),
                  std::make_move_iterator(m_pathArray.end()));
    m_pathArray.clear();
    return added;
}

void SearchFolderList::removeRow(int row)
{
    if (row >= 0 && size_t(row) < m_list.size())
        m_list.erase(m_list.begin() + row);
}

void SearchFolderList::removeAll()
{
    m_list.clear();
}

void SearchFolderList::begin()
{
    std::lock_guard lock(m_progressMutex);
    m_runPaths = filePaths();
    m_pendingProgress.clear();
    for (SearchFolderRow& row : m_list) {
        row.isStart = true;
        row.resultPath.clear();
    }
}

void SearchFolderList::notePath(const std::string& filePath)
{
    std::lock_guard lock(m_progressMutex);
    for (size_t i = 0; i < m_runPaths.size(); ++i)
        if (SearchWalker::pathIsInside(filePath, m_runPaths[i]))
            m_pendingProgress[int(i)] = filePath;
}

std::vector<int> SearchFolderList::takeProgress()
{
    std::map<int, std::string> pending;
    {
        std::lock_guard lock(m_progressMutex);
        pending.swap(m_pendingProgress);
    }
    std::vector<int> changed;
    for (auto& [row, path] : pending) {
        if (size_t(row) >= m_list.size())
            continue;
        m_list[size_t(row)].resultPath = shortPath(displayPath(path), kProgressChars);
        m_list[size_t(row)].isStart = true;
        changed.push_back(row);
    }
    return changed;
}

void SearchFolderList::finish()
{
    {
        std::lock_guard lock(m_progressMutex);
        m_runPaths.clear();
        m_pendingProgress.clear();
    }
    const QString done = QCoreApplication::translate("Corvane", "完成");
    for (SearchFolderRow& row : m_list) {
        row.resultPath = done;
        row.isStart = false;
    }
}

QString SearchFolderList::shortPath(const QString& text, int limit)
{
    // Characters, not UTF-16 units: a name in a script outside the basic plane must not
    // be cut in half.
    const QList<uint> chars = text.toUcs4();
    if (chars.size() <= limit)
        return text;
    const QList<uint> tail = chars.mid(chars.size() - limit);
    return QStringLiteral("...") + QString::fromUcs4(reinterpret_cast<const char32_t*>(tail.constData()), tail.size());
}

QString SearchFolderList::displayPath(const std::string& path)
{
    return DisplayText::forName(path);
}

} // namespace corvane
