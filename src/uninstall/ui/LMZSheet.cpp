// SPDX-License-Identifier: GPL-3.0-or-later
#include "uninstall/ui/LMZSheet.h"

#include "platform/Layout.h"
#include "uninstall/engine/LeftoverListModel.h"
#include "uninstall/ui/LeftoverPanel.h"

#include <QVBoxLayout>

namespace corvane {

LMZSheet::LMZSheet(const Layout& layout, QWidget* parent) : QDialog(parent), m_layout(layout)
{
    setObjectName(QStringLiteral("LMZSheet"));
    setWindowFlag(Qt::WindowContextHelpButtonHint, false);
    m_model = new LeftoverListModel(m_layout, LeftoverListModel::Mode::Sheet, this);
    m_panel = new LeftoverPanel(m_model, this);
    auto* layoutBox = new QVBoxLayout(this);
    layoutBox->setContentsMargins(0, 0, 0, 0);
    layoutBox->addWidget(m_panel);
    resize(640, 430);

    connect(m_panel, &LeftoverPanel::okClicked, this, &LMZSheet::ok);
    connect(m_panel, &LeftoverPanel::cancelClicked, this, &LMZSheet::cancel);
    connect(m_model, &LeftoverListModel::removalFinished, this, [this](int code, int kept) {
        m_codeSoFar = std::max(m_codeSoFar, code);
        if (kept == 0)
            endWithReturnCode(m_codeSoFar);
    });
}

LMZSheet::~LMZSheet() = default;

void LMZSheet::setFilePath(const std::string& path)
{
    m_filePath = path;
}

void LMZSheet::beginOnWindow(QWidget* window, std::function<void(int)> completion)
{
    m_completion = std::move(completion);
    m_codeSoFar = 0;
    if (window && parentWidget() != window)
        setParent(window, windowFlags() | Qt::Sheet);
    setWindowModality(Qt::WindowModal);
    m_model->load(m_filePath);
    open();
    m_panel->showLoading();
}

void LMZSheet::ok()
{
    if (m_model->isLoading() || m_model->isRemoving())
        return;
    // Nothing ticked: nothing to remove, and the sheet has done its work.
    if (!m_model->removeTicked())
        endWithReturnCode(m_codeSoFar);
}

void LMZSheet::cancel()
{
    if (m_model->isRemoving())
        return; // what is under way reports first
    endWithReturnCode(m_codeSoFar);
}

void LMZSheet::reject()
{
    cancel();
}

void LMZSheet::end()
{
    endWithReturnCode(0);
}

void LMZSheet::endWithReturnCode(int code)
{
    setResult(code);
    if (auto completion = std::exchange(m_completion, nullptr))
        completion(code);
    hide();
}

} // namespace corvane
