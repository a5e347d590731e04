// SPDX-License-Identifier: GPL-3.0-or-later
#pragma once

#include "largefiles/engine/LargeScanSession.h"

#include "search/ui/SearchFolderView.h"

namespace corvane {

class LargeResultView;

// The large-file screen's folder view: the folders to search (each Downloads folder at
// first; added and removed only while idle), "扫描"/"停止" with the file being looked at
// on each row, and at every end of a run, stopped or not, the result view laid over it.
class LargeFilesView : public SearchFolderView
{
    Q_OBJECT

public:
    // The layout gives the first folder and the rules of removal; it must outlive the screen.
    static LargeFilesView* demoView(const Layout& layout);
    explicit LargeFilesView(const Layout& layout, QWidget* parent = nullptr);
    ~LargeFilesView() override;

    LargeScanSession& session() { return *m_session; }
    std::vector<std::string> filePaths() const { return m_session->filePaths(); }
    LargeResultView* resultView() const;

private:
    const std::vector<SearchFolderRow>& rows() const override { return m_session->list(); }
    bool isIdle() const override { return m_session->isSanOrStop(); }
    bool isStopping() const override { return m_session->stopping(); }
    bool canEditRows() const override { return m_session->canEditRows(); }
    void sessionAddPaths(const std::vector<std::string>& paths) override { m_session->addPaths(paths); }
    void sessionRemoveList() override { m_session->removeList(); }
    void sessionDeleteRow(int row) override { m_session->deleteRow(row); }
    bool sessionScanAlerted() override;
    SearchResultView* createResultView() override;
    void fillResultView() override;

    const Layout& m_layout;
    LargeScanSession* m_session = nullptr;
};

} // namespace corvane
