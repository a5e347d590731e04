// SPDX-License-Identifier: GPL-3.0-or-later
#include "largefiles/ui/LargeFilesView.h"

#include "largefiles/ui/LargeResultView.h"

namespace corvane {

LargeFilesView* LargeFilesView::demoView(const Layout& layout)
{
    return new LargeFilesView(layout);
}

LargeFilesView::LargeFilesView(const Layout& layout, QWidget* parent)
    : SearchFolderView({QStringLiteral("LargeFilesView"), QStringLiteral("大文件1.png"), tr("大文件清理"),
                        tr("找到并迅速清除Mac上的大文件")},
                       parent),
      m_layout(layout),
      m_session(new LargeScanSession(this))
{
    connect(m_session, &LargeScanSession::listChanged, this, [this] { reloadRows(); });
    connect(m_session, &LargeScanSession::rowsChanged, this,
            [this](const std::vector<int>& rows) { updateRows(rows); });
    connect(m_session, &LargeScanSession::stateChanged, this, [this] { applyState(); });
    connect(m_session, &LargeScanSession::finished, this, [this] { showResults(); });

    m_session->addDownloads(m_layout);
    start();
}

LargeFilesView::~LargeFilesView()
{
    // The session waits for the engine; it must go while the rows it reports to exist.
    delete m_session;
}

LargeResultView* LargeFilesView::resultView() const
{
    return static_cast<LargeResultView*>(searchResultView());
}

bool LargeFilesView::sessionScanAlerted()
{
    return m_session->scanResult() == LargeScanSession::ScanAction::Alerted;
}

SearchResultView* LargeFilesView::createResultView()
{
    return LargeResultView::demoView(m_layout, this);
}

void LargeFilesView::fillResultView()
{
    resultView()->set_reustlist(m_session->results());
    resultView()->reloadList();
}

} // namespace corvane
