// SPDX-License-Identifier: GPL-3.0-or-later
#pragma once

#include "largefiles/engine/LargeFileObject.h"
#include "search/engine/SearchResultSupport.h"
#include "search/engine/SearchResultTreeModel.h"

#include "uninstall/engine/Uninstall.h"

#include <memory>
#include <optional>
#include <string>
#include <vector>

namespace corvane {

class SerialQueue;

// One hit of a run: { "QSLargesFileList": one-path list, "QSLargesFileSize": size }.
struct LargeHit
{
    std::vector<std::string> fileList;
    uint64_t fileSize = 0;
};

// The state behind the large-file result view, and the outline model it shows: the nine
// size groups, the ticks in the order they were made, the sort orders and the removals. Lives on the main thread;
// removals run one after another on a queue of its own, so removing a large tree never
// freezes the window, and each is confirmed by reading the disk again: a file that is
// still there keeps its row, unticked, with a note saying so.
class LargeResultModel : public SearchResultTreeModel
{
    Q_OBJECT

public:
    using ObjectPtr = std::shared_ptr<LargeFileObject>;
    static constexpr int kRangeCount = 9;

    // Removals go through Uninstall over the layout, which must outlive the model.
    explicit LargeResultModel(const Layout& layout, QObject* parent = nullptr);
    ~LargeResultModel() override; // finishes removals under way

    void set_reustlist(std::vector<LargeHit> hits);
    const std::vector<LargeHit>& reustlist() const { return m_hits; }
    // Groups the hits by size range, largest range first, arrival order inside a group.
    void reloadList();
    const std::vector<std::vector<ObjectPtr>>& list() const { return m_list; }
    const std::vector<ObjectPtr>& deleteList() const { return m_deleteList; }
    // Empty when there was at least one hit, else "未扫描出数据".
    QString resultText() const { return m_resultText; }

    int sortKind() const { return m_sortKind; }
    // The combo box: choice 0 sorts by size (sortKind 0), choice 1 by type (sortKind 2).
    void selectSortChoice(int choice);
    void CompareArray();

    void selectBtnClicked(const ObjectPtr& object, bool state);
    // The file still listed under that id, or null.
    ObjectPtr objectById(uint64_t id) const;
    void deleteFile(const ObjectPtr& object);
    // "删除": false (nothing done) when nothing is ticked.
    bool deleteAllFile();
    int removalsPending() const { return m_removals.pending; }

    // The label of the size group, or nothing below ten million bytes.
    static std::optional<QString> fileRange(uint64_t size);
    // 0 for the largest range (">10GB") to 8 for "10MB to 50MB"; -1 below.
    static int rangeIndex(uint64_t size);
    static QString rangeLabel(int index);
    // Removes the path for good and answers whether it is gone.
    static bool removePath(const std::string& path, const Uninstall& remover);

signals:
    void removalFinished(int removed, int kept);

protected:
    int groupCount() const override { return int(m_list.size()); }
    int fileCount(int group) const override { return int(m_list[size_t(group)].size()); }
    // A size range appears once: its position among the nine ranges names the group.
    uint64_t groupKey(int group) const override
    {
        return uint64_t(rangeIndex(m_list[size_t(group)].front()->fileSize)) + 1;
    }
    GroupRow groupRow(int group) const override;
    FileRow fileRow(int group, int file) const override;
    std::optional<std::pair<uint64_t, int>> locateFile(uint64_t id) const override;
    void fileChecked(uint64_t id, bool on) override;

private:
    struct RemoveResult
    {
        uint64_t id;
        bool removed;
    };
    void requestRemoval(const std::vector<ObjectPtr>& objects);
    void applyRemoval(const std::vector<RemoveResult>& results);
    void untick(const ObjectPtr& object);
    void sortGroups();

    std::vector<LargeHit> m_hits;
    std::vector<std::vector<ObjectPtr>> m_list;
    std::vector<ObjectPtr> m_deleteList;
    QString m_resultText;
    int m_sortKind = 0;
    Uninstall m_remover; // copied into each removal run, never read there through `this`
    RemovalRound m_removals;
    uint64_t m_nextId = 1;
    std::unique_ptr<SerialQueue> m_removeQueue;
};

} // namespace corvane
