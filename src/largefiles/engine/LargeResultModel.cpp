// SPDX-License-Identifier: GPL-3.0-or-later
#include "largefiles/engine/LargeResultModel.h"

#include "common/QSFileUtility.h"
#include "common/SerialQueue.h"
#include "common/ThreadHandOff.h"
#include "search/engine/SearchResultSupport.h"
#include "uninstall/engine/Uninstall.h"

#include <QCoreApplication>

#include <algorithm>

namespace corvane {

namespace {

// Lower bounds in bytes, largest range first; decimal units.
constexpr uint64_t kBounds[LargeResultModel::kRangeCount] = {
    10000000000ull, 5000000000ull, 3000000000ull, 1000000000ull, 500000000ull,
    300000000ull,   100000000ull,  50000000ull,   10000000ull,
};
constexpr const char* kLabels[LargeResultModel::kRangeCount] = {
    ">10GB",          "5GB to 10GB",    "3GB to 5GB",    "1GB to 3GB",   "500MB to 1GB",
    "300MB to 500MB", "100MB to 300MB", "50MB to 100MB", "10MB to 50MB",
};

} // namespace

LargeResultModel::LargeResultModel(const Layout& layout, QObject* parent)
    : SearchResultTreeModel(parent), m_remover(layout),
      m_removeQueue(std::make_unique<SerialQueue>("corvane.large.remove"))
{}

LargeResultModel::~LargeResultModel()
{
    m_removeQueue.reset();
}

int LargeResultModel::rangeIndex(uint64_t size)
{
    for (int i = 0; i < kRangeCount; ++i)
        if (size >= kBounds[i])
            return i;
    return -1;
}

QString LargeResultModel::rangeLabel(int index)
{
    if (index < 0 || index >= kRangeCount)
        return {};
    return QString::fromLatin1(kLabels[index]);
}

std::optional<QString> LargeResultModel::fileRange(uint64_t size)
{
    const int index = rangeIndex(size);
    if (index < 0)
        return std::nullopt;
    return rangeLabel(index);
}

void LargeResultModel::set_reustlist(std::vector<LargeHit> hits)
{
    m_hits = std::move(hits);
}

LargeResultModel::ObjectPtr LargeResultModel::objectById(uint64_t id) const
{
    if (const auto where = locateFile(id))
        return m_list[size_t(groupPosition(where->first))][size_t(where->second)];
    return nullptr;
}

std::optional<std::pair<uint64_t, int>> LargeResultModel::locateFile(uint64_t id) const
{
    for (size_t g = 0; g < m_list.size(); ++g)
        for (size_t i = 0; i < m_list[g].size(); ++i)
            if (m_list[g][i]->id == id)
                return std::pair{groupKey(int(g)), int(i)};
    return std::nullopt;
}

SearchResultTreeModel::GroupRow LargeResultModel::groupRow(int group) const
{
    // "LargeCell": the range of the group's last file.
    return {m_list[size_t(group)].back()->fileRange, {}, {}, {}, {}};
}

SearchResultTreeModel::FileRow LargeResultModel::fileRow(int group, int file) const
{
    const LargeFileObject& object = *m_list[size_t(group)][size_t(file)];
    return {object.id,          !object.removing,
            !object.removing,   object.state,
            object.filePath,    object.fileName(),
            object.shownPath(), QSFileUtility::fileSizeByDoubleSize(double(object.fileSize)),
            object.note,        !object.removing};
}

void LargeResultModel::fileChecked(uint64_t id, bool on)
{
    selectBtnClicked(objectById(id), on);
}

void LargeResultModel::reloadList()
{
    std::vector<std::vector<ObjectPtr>> groups(kRangeCount);
    bool anyHit = false;
    for (const LargeHit& hit : m_hits) {
        if (hit.fileList.empty())
            continue;
        anyHit = true;
        const int index = rangeIndex(hit.fileSize);
        if (index < 0)
            continue;
        auto object = std::make_shared<LargeFileObject>();
        object->id = m_nextId++;
        object->filePath = hit.fileList.back();
        object->fileSize = hit.fileSize;
        object->fileRange = rangeLabel(index);
        groups[size_t(index)].push_back(std::move(object));
    }
    resetGroups([&] {
        m_list.clear();
        m_deleteList.clear();
        for (auto& group : groups)
            if (!group.empty())
                m_list.push_back(std::move(group));
        m_resultText = anyHit ? QString() : tr("未扫描出数据");
        sortGroups();
    });
}

void LargeResultModel::selectSortChoice(int choice)
{
    if (choice == 0)
        m_sortKind = 0;
    else if (choice == 1)
        m_sortKind = 2;
    else
        return;
    CompareArray();
}

void LargeResultModel::CompareArray()
{
    reorderGroups([this] { sortGroups(); });
}

void LargeResultModel::sortGroups()
{
    if (m_sortKind == 0)
        std::stable_sort(m_list.begin(), m_list.end(),
                         [](const auto& a, const auto& b) { return a.back()->fileSize > b.back()->fileSize; });
    else if (m_sortKind == 2)
        std::stable_sort(m_list.begin(), m_list.end(), [](const auto& a, const auto& b) {
            return asciiUpper(a.back()->extension()) < asciiUpper(b.back()->extension());
        });
}

void LargeResultModel::untick(const ObjectPtr& object)
{
    object->state = false;
    m_deleteList.erase(std::remove(m_deleteList.begin(), m_deleteList.end(), object), m_deleteList.end());
}

void LargeResultModel::selectBtnClicked(const ObjectPtr& object, bool state)
{
    if (!object || object->removing)
        return;
    if (state) {
        if (!object->state) {
            object->state = true;
            m_deleteList.push_back(object);
        }
    } else {
        untick(object);
    }
    fileRowChanged(object->id);
}

void LargeResultModel::deleteFile(const ObjectPtr& object)
{
    if (!object || object->removing)
        return;
    requestRemoval({object});
}

bool LargeResultModel::deleteAllFile()
{
    if (m_deleteList.empty())
        return false;
    const std::vector<ObjectPtr> objects = m_deleteList;
    m_deleteList.clear();
    requestRemoval(objects);
    return true;
}

void LargeResultModel::requestRemoval(const std::vector<ObjectPtr>& objects)
{
    std::vector<std::pair<uint64_t, std::string>> jobs;
    for (const ObjectPtr& o : objects) {
        if (o->removing)
            continue;
        untick(o);
        o->removing = true;
        o->note = tr("正在删除…");
        jobs.emplace_back(o->id, o->filePath);
        fileRowChanged(o->id);
    }
    if (jobs.empty())
        return;
    m_removals.add(int(jobs.size()));
    m_removeQueue->async([this, jobs = std::move(jobs), remover = m_remover] {
        forEachBatched(
            jobs,
            [&remover](const auto& job) {
                return RemoveResult{job.first, removePath(job.second, remover)};
            },
            [this](std::vector<RemoveResult> results) {
                QMetaObject::invokeMethod(
                    this, ThreadHandOff::handedOver([this, results = std::move(results)] { applyRemoval(results); }),
                    Qt::QueuedConnection);
            });
    });
}

void LargeResultModel::applyRemoval(const std::vector<RemoveResult>& results)
{
    for (const RemoveResult& r : results) {
        --m_removals.pending;
        const auto where = locateFile(r.id);
        if (!where)
            continue;
        const int position = groupPosition(where->first);
        std::vector<ObjectPtr>& group = m_list[size_t(position)];
        if (r.removed) {
            ++m_removals.removed;
            if (group.size() == 1)
                removeGroupRow(position, [&] { m_list.erase(m_list.begin() + position); });
            else
                removeFileRow(position, where->second, [&] { group.erase(group.begin() + where->second); });
        } else {
            ++m_removals.kept;
            group[size_t(where->second)]->removing = false;
            group[size_t(where->second)]->note = tr("删除失败，文件仍在原处");
            fileRowChanged(r.id);
        }
    }
    if (m_removals.pending == 0)
        emit removalFinished(m_removals.removed, m_removals.kept);
}

bool LargeResultModel::removePath(const std::string& path, const Uninstall& remover)
{
    return removalConfirmed(path, remover.unInstall(path) == Uninstall::Outcome::SentToHelper);
}

} // namespace corvane
