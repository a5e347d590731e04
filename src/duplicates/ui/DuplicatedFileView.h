// SPDX-License-Identifier: GPL-3.0-or-later
#pragma once

#include "duplicates/engine/DuplicatedScanSession.h"

#include "search/ui/SearchFolderView.h"

namespace corvane {

class DupScanResultView;

// The duplicate-file screen's folder view: the folders to search (Downloads at first),
// "添加文件夹", "清空列表", the row delete buttons, "扫描"/"停止" with the file being
// looked at on each row, and the result view laid over it when the search ends.
class DuplicatedFileView : public SearchFolderView
{
    Q_OBJECT

public:
    // The layout gives the first folder and the rules of removal; it must outlive the screen.
    static DuplicatedFileView* demoView(const Layout& layout);
    explicit DuplicatedFileView(const Layout& layout, QWidget* parent = nullptr);
    ~DuplicatedFileView() override;

    DuplicatedScanSession& session() { return *m_session; }
    DupScanResultView* resultView() const;

private:
    const std::vector<DuplicatedFileObject>& rows() const override { return m_session->list(); }
    bool isIdle() const override { return m_session->isSanOrStop(); }
    bool isStopping() const override { return m_session->stopping(); }
    bool canEditRows() const override { return m_session->canEditRows(); }
    void sessionAddPaths(const std::vector<std::string>& paths) override { m_session->addPaths(paths); }
    void sessionRemoveList() override { m_session->removeAll(); }
    void sessionDeleteRow(int row) override { m_session->removeRow(row); }
    bool sessionScanAlerted() override;
    SearchResultView* createResultView() override;
    void fillResultView() override;

    const Layout& m_layout;
    DuplicatedScanSession* m_session = nullptr;
};

} // namespace corvane
