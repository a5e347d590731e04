// SPDX-License-Identifier: GPL-3.0-or-later
#include "startup/ui/LoginItemViewController.h"

#include "common/Dispatch.h"
#include "platform/FileChecks.h"
#include "startup/engine/LaunchItems.h"
#include "toolkit/FileIcon.h"
#include "toolkit/FileReveal.h"
#include "toolkit/GlowAnimation.h"
#include "toolkit/OpenPanel.h"
#include "toolkit/RWProgressHUD.h"
#include "toolkit/ReadableOutline.h"
#include "toolkit/ScreenLook.h"

#include <QHBoxLayout>
#include <QLabel>
#include <QPushButton>
#include <QVBoxLayout>

#include <algorithm>

namespace corvane {

namespace {

using Model = LoginItemListModel;

QIcon revealIcon()
{
    QIcon icon = FileIcon::iconForName(QStringLiteral("folder-open"));
    return icon.isNull() ? FileIcon::iconForPath("/") : icon;
}

QPushButton* roundButton(const QString& text, const char* name, const QString& colour, QWidget* parent)
{
    return ScreenLook::button(text, name, QSize(100, 34),
                              QStringLiteral("QPushButton { background: %1; color: white; border: none;"
                                             " border-radius: 17px; font-size: 14px; padding: 4px 18px; }"
                                             " QPushButton:disabled { background: #b8b8b8; }")
                                  .arg(colour),
                              parent);
}

} // namespace

LoginItemViewController* LoginItemViewController::demoView()
{
    return new LoginItemViewController(LaunchItems::manager());
}

LoginItemViewController::LoginItemViewController(LaunchItems& items, QWidget* parent)
    : QWidget(parent), m_items(items), m_model(new LoginItemListModel(this))
{
    setObjectName(QStringLiteral("LoginItemViewController"));
    ScreenLook::fillBackground(this, QColor(246, 246, 246));

    QLabel* picture = ScreenLook::picture(QStringLiteral("启动项1.png"), 48, this);
    m_glow = new GlowAnimation(picture, this);
    QLabel* title = ScreenLook::heading(tr("开机启动项"), 20, this);
    title->setObjectName(QStringLiteral("titleLabel"));
    QLabel* description = ScreenLook::description(tr("开机启动项显示如下。请根据需求关闭或移除列表中的选项"), this);

    m_add = roundButton(tr("添加选项"), "addButton", QStringLiteral("#2d8cf0"), this);
    m_disable = roundButton(tr("禁用"), "disableButton", QStringLiteral("#e0662a"), this);

    m_table = new ReadableOutline(this);
    m_table->setObjectName(QStringLiteral("loginTableView"));
    m_table->setNameColumn(Model::NameColumn, 0.35);
    m_table->setColumnRule(Model::KindColumn, {Qt::ElideRight, 220, 0.3});
    m_table->setColumnRule(Model::CompanyColumn, {Qt::ElideRight, 160, 0});
    m_table->setColumnRule(Model::RevealColumn, {Qt::ElideRight, 40, 0});
    m_table->styleAsList(44, 10);
    m_table->setIconProvider([](const QModelIndex& index) {
        if (index.column() == Model::RevealColumn)
            return revealIcon();
        if (index.column() != Model::NameColumn)
            return QIcon();
        return FileIcon::iconForPath(index.data(Model::FilePathRole).toByteArray().toStdString());
    });
    m_table->setModel(m_model);
    connect(m_model, &LoginItemListModel::stateClicked, this,
            [this](int row, int state) { selectBtnClicked(row, state == 1); });
    connect(m_table, &QAbstractItemView::clicked, this, [this](const QModelIndex& index) {
        if (index.column() == Model::RevealColumn)
            clickedBtn(index.row());
    });
    connect(m_add, &QPushButton::clicked, this, &LoginItemViewController::addClick);
    connect(m_disable, &QPushButton::clicked, this, &LoginItemViewController::removeItem);

    QHBoxLayout* top = ScreenLook::headingRow(picture, title, description, {m_add, m_disable});
    auto* column = new QVBoxLayout(this);
    column->setContentsMargins(28, 24, 28, 24);
    column->setSpacing(18);
    column->addLayout(top);
    column->addWidget(m_table, 1);

    m_glow->start();
    loadArray();
}

LoginItemViewController::~LoginItemViewController()
{
    ++*m_generation; // a load on its way has nowhere to go
    RWProgressHUD::dismissFromView(this);
}

void LoginItemViewController::loadArray()
{
    const uint64_t generation = ++*m_generation;
    m_loading = true;
    m_deleteList.clear();
    m_pathArray.clear();
    RWProgressHUD::showStatus(tr("正在加载..."), this);
    QPointer<LoginItemViewController> self(this);
    LaunchItems* items = &m_items;
    Dispatch::global([self, generation, current = m_generation, items] {
        auto rows = std::make_shared<std::vector<LoginItemObject>>(LoginItemListModel::build(*items));
        if (current->load() != generation)
            return;
        Dispatch::main([self, generation, rows] {
            if (!self || generation != self->m_generation->load())
                return;
            // Swapped in whole, on this thread: the list never shows a half-built state.
            self->m_model->setRows(std::move(*rows));
            self->m_loading = false;
            RWProgressHUD::dismissFromView(self);
        });
    });
}

LoginItemViewController::Key LoginItemViewController::keyOf(const LoginItemObject& object)
{
    return Key{object.type, object.filePath, object.bundleID};
}

int LoginItemViewController::rowOf(const Key& key) const
{
    const auto& rows = m_model->rows();
    for (size_t i = 0; i < rows.size(); ++i)
        if (keyOf(rows[i]) == key)
            return int(i);
    return -1;
}

void LoginItemViewController::selectBtnClicked(int row, bool ticked)
{
    if (row < 0 || row >= m_model->rowCount())
        return;
    LoginItemObject& object = m_model->at(row);
    object.state = ticked ? 1 : 0;
    const Key key = keyOf(object);
    std::erase(m_deleteList, key);
    if (ticked)
        m_deleteList.push_back(key);
    const QModelIndex at = m_model->index(row, Model::NameColumn);
    if (at.data(Qt::CheckStateRole).value<Qt::CheckState>() != (ticked ? Qt::Checked : Qt::Unchecked))
        emit m_model->dataChanged(at, at, {Qt::CheckStateRole});
}

std::vector<std::string> LoginItemViewController::deleteListPaths() const
{
    std::vector<std::string> paths;
    for (const Key& key : m_deleteList)
        paths.push_back(key.path);
    return paths;
}

void LoginItemViewController::clickedBtn(int row)
{
    if (row >= 0 && row < m_model->rowCount())
        FileReveal::reveal(m_model->rows()[size_t(row)].filePath);
}

void LoginItemViewController::addClick()
{
    if (m_panel)
        m_panel->deleteLater();
    m_panel = new OpenPanel(this, OpenPanel::Choice::FilesOnly);
    m_panel->setAttribute(Qt::WA_DeleteOnClose);
    connect(m_panel, &QDialog::accepted, this, [this] {
        addImagesWithPaths(m_panel->chosenPaths());
        updateDatasource();
    });
    m_panel->open();
}

void LoginItemViewController::addImagesWithPaths(const std::vector<std::string>& paths)
{
    for (const std::string& path : paths) {
        if (!FileChecks::existsNoFollow(path) || m_model->rowOfPath(path) >= 0 ||
            std::any_of(m_pathArray.begin(), m_pathArray.end(),
                        [&path](const LoginItemObject& o) { return o.path() == path; }))
            continue;
        // Shown only once the session really has it.
        if (!m_items.addLoginItem(path))
            continue;
        std::string id;
        for (const LoginItemList::Entry& entry : m_items.loginItems())
            if (entry.path == path)
                id = entry.id;
        m_pathArray.push_back(LoginItemListModel::loginItemFor(path, id));
    }
}

void LoginItemViewController::updateDatasource()
{
    m_model->append(std::exchange(m_pathArray, {}));
}

void LoginItemViewController::removeItem()
{
    if (m_removing)
        return;
    std::vector<LoginItemObject> chosen;
    for (const Key& key : m_deleteList) {
        const int row = rowOf(key);
        if (row >= 0 && m_model->rows()[size_t(row)].state == 1)
            chosen.push_back(m_model->rows()[size_t(row)]);
    }
    m_deleteList.clear();
    if (chosen.empty()) {
        if (m_alert)
            m_alert->deleteLater();
        m_alert = new QMessageBox(QMessageBox::Warning, QString(), tr("未添加项目"), QMessageBox::Ok, this);
        m_alert->setWindowModality(Qt::WindowModal);
        m_alert->setAttribute(Qt::WA_DeleteOnClose);
        m_alert->open();
        return;
    }
    // Switching a service off waits for it to stop: never on this thread.
    m_removing = true;
    m_disable->setEnabled(false);
    QPointer<LoginItemViewController> self(this);
    LaunchItems* items = &m_items;
    Dispatch::global([self, items, chosen = std::move(chosen)] {
        auto gone = std::make_shared<std::vector<Key>>();
        for (const LoginItemObject& object : chosen) {
            bool removed = false;
            if (object.type == 1)
                removed = items->removeLoginItem(object.filePath);
            else
                removed = items->removeLaunchService(object.bundleID, object.domain == "system"
                                                                          ? ServiceManager::Domain::System
                                                                          : ServiceManager::Domain::User);
            if (removed)
                gone->push_back(keyOf(object));
        }
        Dispatch::main([self, gone] {
            if (!self)
                return;
            for (const Key& key : *gone)
                self->m_model->removeRow(self->rowOf(key));
            self->m_removing = false;
            self->m_disable->setEnabled(true);
        });
    });
}

} // namespace corvane
