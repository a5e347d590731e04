#include "largefiles/ui/LargeWindowController.h"

#include "largefiles/ui/LargeFilesView.h"

#include <QVBoxLayout>

namespace corvane {

LargeWindowController::LargeWindowController(QWidget* parent) : QDialog(parent)
{
    setObjectName(QStringLiteral("LargeWindowController"));
    setWindowTitle(tr("大文件清理"));
    setModal(true);
    resize(860, 560);
    m_view = LargeFilesView::demoView();
    auto* layout = new QVBoxLayout(this);
    layout->setContentsMargins(0, 0, 0, 0);
    layout->addWidget(m_view);
}

int LargeWindowController::runModal()
{
    return exec();
}

} // namespace corvane
