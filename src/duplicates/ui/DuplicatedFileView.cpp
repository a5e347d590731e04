// SPDX-License-Identifier: GPL-3.0-or-later
#include "duplicates/ui/DuplicatedFileView.h"

#include "duplicates/ui/DupScanResultView.h"

namespace corvane {

DuplicatedFileView* DuplicatedFileView::demoView(const Layout& layout)
{
    return new DuplicatedFileView(layout);
}

DuplicatedFileView::DuplicatedFileView(const Layout& layout, QWidget* parent)
    : SearchFolderView({QStringLiteral("DuplicatedFileView"), QStringLiteral("重复文件1.png"), tr("重复文件查找"),
                        tr("找到并迅速清除Mac上的重复文件")},
                       parent),
      m_layout(layout),
      m_session(new DuplicatedScanSession(this))
{
    connect(m_session, &DuplicatedScanSession::listChanged, this, [this] { reloadRows(); });
    connect(m_session, &DuplicatedScanSession::rowsChanged, this,
            [this](const std::vector<int>& rows) { updateRows(rows); });
    connect(m_session, &DuplicatedScanSession::stateChanged, this, [this] { applyState(); });
    connect(m_session, &DuplicatedScanSession::finished, this, [this] { showResults(); });

    m_session->addDownloads(m_layout);
    start();
}

DuplicatedFileView::~DuplicatedFileView()
{
    // The session waits for the engine; it must go while the rows it reports to exist.
    delete m_session;
}

DupScanResultView* DuplicatedFileView::resultView() const
{
    return static_cast<DupScanResultView*>(searchResultView());
}

bool DuplicatedFileView::sessionScanAlerted()
{
    return m_session->scanResult() == DuplicatedScanSession::ScanAction::Alerted;
}

SearchResultView* DuplicatedFileView::createResultView()
{
    return DupScanResultView::demoView(m_layout, this);
}

void DuplicatedFileView::fillResultView()
{
    resultView()->setResultList(m_session->results());
}

} // namespace corvane
