// SPDX-License-Identifier: GPL-3.0-or-later
#include "largefiles/ui/LargeWindowController.h"

#include "largefiles/ui/LargeFilesView.h"

#include <QVBoxLayout>

namespace corvane {

LargeWindowController::LargeWindowController(const Layout& layout, QWidget* parent) : QDialog(parent)
{
    setObjectName(QStringLiteral("LargeWindowController"));
    setWindowTitle(tr("大文件清理"));
    setModal(true);
    resize(860, 560);
    m_view = LargeFilesView::demoView(layout);
    auto* box = new QVBoxLayout(this);
    box->setContentsMargins(0, 0, 0, 0);
    box->addWidget(m_view);
}

int LargeWindowController::runModal()
{
    return exec();
}

} // namespace corvane
