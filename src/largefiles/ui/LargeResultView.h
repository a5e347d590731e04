// SPDX-License-Identifier: GPL-3.0-or-later
#pragma once

#include "largefiles/engine/LargeResultModel.h"

#include "search/ui/SearchResultView.h"

namespace corvane {

// The large-file result view, laid over the folder view at the end of every run: the
// found files in their size groups, sortable by size or type, each with a check box, a
// reveal and a delete button; "删除" for the ticked files and "返回".
class LargeResultView : public SearchResultView
{
    Q_OBJECT

public:
    enum Column { NameColumn, PathColumn, SizeColumn, NoteColumn, OpenColumn, DeleteColumn, ColumnCount };

    static LargeResultView* demoView(const Layout& layout, QWidget* parent = nullptr);
    explicit LargeResultView(const Layout& layout, QWidget* parent = nullptr);
    ~LargeResultView() override;

    void set_reustlist(std::vector<LargeHit> hits);
    void reloadList();
    LargeResultModel& model() { return *m_model; }

    void selectBtnClicked(uint64_t id, bool state);

private:
    QString statusText() const override;
    void sortChosen(int index) override { m_model->selectSortChoice(index); }
    std::optional<std::string> filePath(uint64_t id) const override;
    void removeFile(uint64_t id) override;
    bool removeTicked() override { return m_model->deleteAllFile(); }
    int removalsPending() const override { return m_model->removalsPending(); }

    LargeResultModel* m_model = nullptr;
};

} // namespace corvane
