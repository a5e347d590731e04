// SPDX-License-Identifier: GPL-3.0-or-later
#pragma once

#include "duplicates/engine/DupScanResultModel.h"

#include "search/ui/SearchResultView.h"

namespace corvane {

// The duplicate result view, laid over the folder view when a search ends: each group
// with the copy that stays unticked, the copies verified identical ticked, sortable by
// size, count or type; single removal from a row, "删除" for every ticked file, "返回".
// A row whose copy differs from the one that stays, or could not be compared, is never
// ticked, but its own "删除" removes it once the person confirms.
class DupScanResultView : public SearchResultView
{
    Q_OBJECT

public:
    enum Column { NameColumn, PathColumn, InfoColumn, NoteColumn, OpenColumn, DeleteColumn, ColumnCount };

    static DupScanResultView* demoView(const Layout& layout, QWidget* parent = nullptr);
    explicit DupScanResultView(const Layout& layout, QWidget* parent = nullptr);
    ~DupScanResultView() override;

    // Builds the groups from the records and starts verifying them.
    void setResultList(std::vector<DuplicateGroupRecord> records);
    DupScanResultModel& model() { return *m_model; }

    void selectBtnClicked(uint64_t id, bool on);

private:
    QString statusText() const override;
    void sortChosen(int index) override { m_model->setSortKind(index); }
    std::optional<std::string> filePath(uint64_t id) const override;
    void removeFile(uint64_t id) override { m_model->deleteFile(m_model->objectById(id)); }
    QString removalQuestion(uint64_t id) const override;
    void removeFileConfirmed(uint64_t id) override { m_model->deleteFileConfirmed(m_model->objectById(id)); }
    bool removeTicked() override { return m_model->deleteAllFile(); }
    int removalsPending() const override { return m_model->removalsPending(); }

    DupScanResultModel* m_model = nullptr;
};

} // namespace corvane
