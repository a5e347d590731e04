// SPDX-License-Identifier: GPL-3.0-or-later
#include "uninstall/ui/LeftoverPanel.h"

#include "toolkit/AppInfoCellView.h"
#include "toolkit/FileReveal.h"
#include "toolkit/RWProgressHUD.h"
#include "toolkit/ScreenLook.h"
#include "toolkit/TriStateCheckBox.h"
#include "uninstall/engine/LeftoverListModel.h"

#include <QHBoxLayout>
#include <QLabel>
#include <QListView>
#include <QPushButton>
#include <QVBoxLayout>

namespace corvane {

namespace {

QPushButton* panelButton(const QString& text, const char* name, bool primary, QWidget* parent)
{
    const QString style = primary
                              ? QStringLiteral("QPushButton { background: #2d8cf0; color: white; border: none;"
                                               " border-radius: 15px; font-size: 14px; padding: 4px 18px; }"
                                               " QPushButton:hover { background: #4aa0f5; }"
                                               " QPushButton:disabled { background: #a8cdf5; }")
                              : QStringLiteral("QPushButton { background: white; color: #444; border: 1px solid #c8c8c8;"
                                               " border-radius: 15px; font-size: 14px; padding: 4px 18px; }"
                                               " QPushButton:hover { background: #f2f2f2; }"
                                               " QPushButton:disabled { color: #aaa; }");
    return ScreenLook::button(text, name, QSize(84, 30), style, parent);
}

} // namespace

LeftoverPanel::LeftoverPanel(LeftoverListModel* model, QWidget* parent) : QWidget(parent), m_model(model)
{
    setObjectName(QStringLiteral("LeftoverPanel"));
    ScreenLook::fillBackground(this, QColor(240, 240, 240));

    m_table = new QListView(this);
    m_table->setObjectName(QStringLiteral("myTableView"));
    m_table->setModel(model);
    m_cells = new AppInfoCellView({LeftoverListModel::PathRole, LeftoverListModel::FolderLineRole,
                                   LeftoverListModel::SizeTextRole, LeftoverListModel::NoteRole},
                                  m_table);
    m_table->setItemDelegate(m_cells);
    m_table->setUniformItemSizes(true);
    m_table->setSelectionMode(QAbstractItemView::NoSelection);
    m_table->setFocusPolicy(Qt::NoFocus);
    m_table->setStyleSheet(QStringLiteral("QListView { background: white; border: 1px solid #d8d8d8; }"));

    m_total = new QLabel(this);
    m_total->setObjectName(QStringLiteral("totalTextField"));
    m_total->setStyleSheet(QStringLiteral("color: #505050;"));
    m_total->setWordWrap(true);
    m_selectAll = new TriStateCheckBox(tr("全选"), this);
    m_selectAll->setObjectName(QStringLiteral("selectAllBtn"));
    m_cancel = panelButton(tr("取消"), "cancelBtn", false, this);
    m_delete = panelButton(tr("删除"), "deleteBtn", true, this);

    connect(m_cells, &AppInfoCellView::revealRequested, this, [this](const QModelIndex& index) { openFile(index.row()); });
    connect(m_selectAll, &TriStateCheckBox::stateClicked, this, [this](int) { selectAllClicked(); });
    connect(m_model, &LeftoverListModel::selectAllStateChanged, m_selectAll, &TriStateCheckBox::setState);
    connect(m_model, &LeftoverListModel::loaded, this, [this] { settle(); });
    connect(m_model, &LeftoverListModel::removalFinished, this, [this] { settle(); });
    connect(m_delete, &QPushButton::clicked, this, [this] {
        emit okClicked();
        if (m_model->isRemoving())
            busy(true);
    });
    connect(m_cancel, &QPushButton::clicked, this, &LeftoverPanel::cancelClicked);

    auto* bottom = new QHBoxLayout;
    bottom->addWidget(m_selectAll);
    bottom->addStretch(1);
    bottom->addWidget(m_cancel);
    bottom->addWidget(m_delete);
    auto* layout = new QVBoxLayout(this);
    layout->setContentsMargins(16, 16, 16, 14);
    layout->setSpacing(10);
    layout->addWidget(m_total);
    layout->addWidget(m_table, 1);
    layout->addLayout(bottom);
}

void LeftoverPanel::showLoading()
{
    m_total->clear();
    busy(true);
    RWProgressHUD::showStatus(tr("正在加载..."), this);
}

void LeftoverPanel::busy(bool on)
{
    m_delete->setEnabled(!on);
    m_cancel->setEnabled(!on);
    m_selectAll->setEnabled(!on);
    if (on && m_model->isRemoving())
        RWProgressHUD::showStatus(tr("正在删除…"), this);
}

void LeftoverPanel::settle()
{
    RWProgressHUD::dismissFromView(this);
    busy(false);
    // Worked out once per load: ticking rows does not change it.
    m_total->setText(m_model->summaryText());
    m_selectAll->setState(m_model->selectAllState());
}

void LeftoverPanel::selectBtnClicked(int row, bool checked)
{
    m_model->setChecked(row, checked);
}

void LeftoverPanel::selectAllClicked()
{
    m_selectAll->setState(m_model->selectAllClicked(m_selectAll->state()));
}

void LeftoverPanel::openFile(int row)
{
    if (row >= 0 && row < m_model->rowCount())
        FileReveal::reveal(m_model->item(row).path());
}

} // namespace corvane
