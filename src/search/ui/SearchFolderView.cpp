// SPDX-License-Identifier: GPL-3.0-or-later
#include "search/ui/SearchFolderView.h"

#include "search/ui/SearchFolderCell.h"
#include "search/ui/SearchResultView.h"
#include "toolkit/GlowAnimation.h"
#include "toolkit/ScreenLook.h"

#include <QHBoxLayout>
#include <QLabel>
#include <QListWidget>
#include <QPushButton>
#include <QVBoxLayout>

namespace corvane {

namespace {

QPushButton* button(const QString& text, const char* name, bool primary, QWidget* parent)
{
    return ScreenLook::button(text, name, QSize(primary ? 110 : 96, 36),
                              primary
                                  ? QStringLiteral("QPushButton { background: #2d8cf0; color: white; border: none;"
                                                   " border-radius: 18px; font-size: 15px; padding: 4px 24px; }"
                                                   " QPushButton:hover { background: #4aa0f5; }"
                                                   " QPushButton:disabled { background: #9cc7f5; }")
                                  : QStringLiteral("QPushButton { background: white; color: #505050;"
                                                   " border: 1px solid #c8c8c8; border-radius: 18px; font-size: 13px;"
                                                   " padding: 4px 14px; } QPushButton:disabled { color: #b8b8b8; }"),
                              parent);
}

} // namespace

SearchFolderView::SearchFolderView(const Look& look, QWidget* parent) : QWidget(parent)
{
    setObjectName(look.objectName);
    ScreenLook::fillBackground(this, QColor(232, 232, 232));

    m_image = ScreenLook::picture(look.image, 64, this);
    m_glow = new GlowAnimation(m_image, this);
    m_title = ScreenLook::heading(look.title, 20, this);
    m_title->setObjectName(QStringLiteral("titleLabel"));
    m_description = new QLabel(look.description, this);
    m_description->setObjectName(QStringLiteral("descriptionLabel"));
    m_description->setStyleSheet(QStringLiteral("color: #707070;"));
    m_addBtn = button(tr("添加文件夹"), "addButton", false, this);
    m_clearBtn = button(tr("清空列表"), "clearButton", false, this);
    m_scanBtn = button(tr("扫描"), "scanButton", true, this);

    m_table = new QListWidget(this);
    m_table->setObjectName(QStringLiteral("tableView"));
    m_table->setSelectionMode(QAbstractItemView::NoSelection);
    m_table->setFocusPolicy(Qt::NoFocus);
    m_table->setStyleSheet(QStringLiteral("QListWidget { background: white; border: none; border-radius: 6px; }"
                                          " QListWidget::item { border-bottom: 1px solid #ececec; }"));

    connect(m_addBtn, &QPushButton::clicked, this, [this] { addFolder(); });
    connect(m_clearBtn, &QPushButton::clicked, this, [this] { removeList(); });
    connect(m_scanBtn, &QPushButton::clicked, this, [this] { scanResult(); });

    auto* heading = new QVBoxLayout;
    heading->setSpacing(6);
    heading->addWidget(m_title);
    heading->addWidget(m_description);
    auto* top = new QHBoxLayout;
    top->addWidget(m_image);
    top->addSpacing(10);
    top->addLayout(heading, 1);
    top->addWidget(m_addBtn, 0, Qt::AlignVCenter);
    top->addWidget(m_clearBtn, 0, Qt::AlignVCenter);
    top->addWidget(m_scanBtn, 0, Qt::AlignVCenter);
    auto* layout = new QVBoxLayout(this);
    layout->setContentsMargins(28, 24, 28, 24);
    layout->setSpacing(18);
    layout->addLayout(top);
    layout->addWidget(m_table, 1);
}

void SearchFolderView::start()
{
    reloadRows();
    applyState();
    m_glow->start();
}

SearchFolderCell* SearchFolderView::cell(int row) const
{
    QListWidgetItem* item = m_table->item(row);
    return item ? qobject_cast<SearchFolderCell*>(m_table->itemWidget(item)) : nullptr;
}

void SearchFolderView::addFolder()
{
    if (!canEditRows())
        return;
    if (m_panel)
        m_panel->deleteLater();
    m_panel = new OpenPanel(this);
    connect(m_panel, &QDialog::accepted, this, [this, panel = m_panel] {
        if (panel)
            addPaths(panel->chosenPaths());
    });
    connect(m_panel, &QDialog::finished, m_panel, &QObject::deleteLater);
    m_panel->open();
}

void SearchFolderView::addPaths(const std::vector<std::string>& paths)
{
    sessionAddPaths(paths);
}

void SearchFolderView::removeList()
{
    sessionRemoveList();
}

void SearchFolderView::deleteRow(int row)
{
    sessionDeleteRow(row);
}

void SearchFolderView::scanResult()
{
    if (!sessionScanAlerted())
        return;
    if (m_alert)
        m_alert->deleteLater();
    m_alert = new QMessageBox(QMessageBox::Warning, QString(), tr("路径未添加"), QMessageBox::Ok, this);
    m_alert->setInformativeText(tr("请点击添加文件夹按钮添加文件路径"));
    m_alert->setWindowModality(Qt::WindowModal);
    m_alert->setAttribute(Qt::WA_DeleteOnClose);
    m_alert->open();
}

void SearchFolderView::reloadRows()
{
    m_table->clear();
    const auto& list = rows();
    for (size_t i = 0; i < list.size(); ++i) {
        auto* item = new QListWidgetItem(m_table);
        auto* cell = new SearchFolderCell(m_table);
        cell->setObject(list[i]);
        cell->setRemovable(canEditRows());
        item->setSizeHint(QSize(0, SearchFolderCell::kRowHeight));
        m_table->setItemWidget(item, cell);
        connect(cell, &SearchFolderCell::removeClicked, this, [this, cell] {
            for (int r = 0; r < m_table->count(); ++r)
                if (this->cell(r) == cell) {
                    deleteRow(r);
                    return;
                }
        });
    }
}

void SearchFolderView::updateRows(const std::vector<int>& changed)
{
    for (int row : changed)
        if (SearchFolderCell* c = cell(row); c && size_t(row) < rows().size())
            c->setObject(rows()[size_t(row)]);
}

void SearchFolderView::applyState()
{
    m_scanBtn->setText(isIdle() ? tr("扫描") : tr("停止"));
    m_scanBtn->setEnabled(!isStopping());
    m_addBtn->setEnabled(canEditRows());
    m_clearBtn->setEnabled(canEditRows());
    for (int r = 0; r < m_table->count(); ++r)
        if (SearchFolderCell* c = cell(r))
            c->setRemovable(canEditRows());
}

void SearchFolderView::showResults()
{
    if (m_resultView)
        m_resultView->deleteLater();
    m_resultView = createResultView();
    connect(m_resultView, &SearchResultView::back, this, [this, view = m_resultView] {
        if (!view)
            return;
        // Removals under way finish first; the view goes once they have reported.
        view->closeWhenSettled();
        if (m_resultView == view)
            m_resultView = nullptr;
    });
    m_resultView->setGeometry(rect());
    fillResultView();
    m_resultView->raise();
    m_resultView->show();
}

void SearchFolderView::resizeEvent(QResizeEvent* event)
{
    QWidget::resizeEvent(event);
    if (m_resultView)
        m_resultView->setGeometry(rect());
}

} // namespace corvane
