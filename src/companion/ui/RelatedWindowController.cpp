// SPDX-License-Identifier: GPL-3.0-or-later
#include "companion/ui/RelatedWindowController.h"

#include "platform/DisplayText.h"
#include "platform/FileChecks.h"
#include "uninstall/engine/LeftoverListModel.h"
#include "uninstall/ui/LeftoverPanel.h"

#include <QVBoxLayout>

namespace corvane {

RelatedWindowController::RelatedWindowController(const Layout& layout, QWidget* parent) : QDialog(parent)
{
    setObjectName(QStringLiteral("RelatedWindow"));
    setWindowFlag(Qt::WindowContextHelpButtonHint, false);
    setWindowModality(Qt::ApplicationModal);
    m_model = new LeftoverListModel(layout, LeftoverListModel::Mode::Companion, this);
    m_panel = new LeftoverPanel(m_model, this);
    auto* box = new QVBoxLayout(this);
    box->setContentsMargins(0, 0, 0, 0);
    box->addWidget(m_panel);
    resize(640, 430);

    connect(m_panel, &LeftoverPanel::okClicked, this, &RelatedWindowController::ok);
    connect(m_panel, &LeftoverPanel::cancelClicked, this, &RelatedWindowController::cancel);
    connect(m_model, &LeftoverListModel::removalFinished, this, [this](int, int kept) {
        if (kept == 0)
            accept();
    });
}

RelatedWindowController::~RelatedWindowController() = default;

void RelatedWindowController::setApplicationPath(const std::string& path)
{
    if (path == m_filePath)
        return;
    m_filePath = path;
    reloadMyData();
}

void RelatedWindowController::reloadMyData()
{
    setWindowTitle(DisplayText::forName(lastComponent(m_filePath)));
    m_model->load(m_filePath);
    m_panel->showLoading();
}

void RelatedWindowController::ok()
{
    if (m_model->isLoading() || m_model->isRemoving())
        return;
    if (!m_model->removeTicked())
        accept();
}

void RelatedWindowController::cancel()
{
    reject();
}

void RelatedWindowController::reject()
{
    // What is under way reports first; the window closes after that.
    if (!m_model->isRemoving())
        QDialog::reject();
}

} // namespace corvane
