// SPDX-License-Identifier: GPL-3.0-or-later
#include "junk/ui/SystemCleanResult.h"

#include "junk/ui/SystemCleanResultVCDelegate.h"
#include "toolkit/FileIcon.h"
#include "toolkit/FileReveal.h"
#include "toolkit/ReadableOutline.h"
#include "toolkit/ScreenLook.h"

#include <QHBoxLayout>
#include <QLabel>
#include <QPushButton>
#include <QVBoxLayout>

namespace corvane {

SystemCleanResult* SystemCleanResult::demoView(QWidget* parent)
{
    return new SystemCleanResult(parent);
}

SystemCleanResult::SystemCleanResult(QWidget* parent)
    : QWidget(parent), m_model(new SystemCleanResultModel(this)), m_title(new QLabel(this)),
      m_outline(new ReadableOutline(this)), m_back(new QPushButton(this))
{
    setObjectName(QStringLiteral("SystemCleanResult"));
    ScreenLook::fillBackground(this, QColor(232, 232, 232));

    m_back->setObjectName(QStringLiteral("backBtn"));
    m_back->setText(tr("返回"));
    m_back->setCursor(Qt::PointingHandCursor);
    QFont titleFont = m_title->font();
    titleFont.setPointSize(15);
    titleFont.setBold(true);
    m_title->setFont(titleFont);

    m_outline->setObjectName(QStringLiteral("outline"));
    m_outline->setNameColumn(kNameColumn, 0.6);
    m_outline->setRowHeight(24);
    // "SystemResultCellView": an item's icon; "UserCachesSubCellView": a group's name in
    // bold; the reveal button in the link colour.
    m_outline->setIconProvider([](const QModelIndex& index) {
        if (index.column() != kNameColumn || !index.data(SystemCleanResultModel::IsItemRole).toBool())
            return QIcon();
        return FileIcon::iconForPath(index.data(SystemCleanResultModel::PathBytesRole).toByteArray().toStdString());
    });
    m_outline->setBoldProvider([](const QModelIndex& index) {
        return index.column() == kNameColumn && !index.data(SystemCleanResultModel::IsItemRole).toBool();
    });
    m_outline->setColourProvider([](const QModelIndex& index) -> std::optional<QColor> {
        if (index.column() == kOpenColumn)
            return QColor(45, 140, 240);
        return std::nullopt;
    });
    m_outline->setModel(m_model);
    m_outline->setHeaderHidden(true);
    m_outline->setSelectionMode(QAbstractItemView::NoSelection);
    m_outline->setFocusPolicy(Qt::NoFocus);
    m_outline->setIconSize(QSize(16, 16));

    auto* top = new QHBoxLayout;
    top->addWidget(m_back);
    top->addSpacing(12);
    top->addWidget(m_title, 1);
    auto* layout = new QVBoxLayout(this);
    layout->setContentsMargins(16, 12, 16, 12);
    layout->addLayout(top);
    layout->addWidget(m_outline, 1);

    connect(m_back, &QPushButton::clicked, this, [this] {
        hide();
        emit closed();
        deleteLater();
    });
    // A box ticked in the outline (the delegate's click) or through selectBtnClicked.
    connect(m_model, &SystemCleanResultModel::ticked, this, [this](SystemCleanObject* object) {
        if (m_delegate)
            m_delegate->showSelectTotalSizeWithCleanObject(object);
    });
    connect(m_outline, &QTreeView::clicked, this, [this](const QModelIndex& index) {
        UserCachesSubObject* node = nodeOf(index);
        if (node && index.column() == kOpenColumn && node->subType == UserCachesSubObject::SubType::Item)
            openFile(*node);
    });
}

UserCachesSubObject* SystemCleanResult::nodeOf(const QModelIndex& index)
{
    const auto* model = qobject_cast<const SystemCleanResultModel*>(index.model());
    return model ? model->nodeOf(index) : nullptr;
}

void SystemCleanResult::setSystemObject(SystemCleanObject::Ptr object)
{
    if (object)
        m_title->setText(object->fileName);
    m_model->setSystemObject(std::move(object));
    for (int row = 0; row < m_model->rowCount(); ++row)
        m_outline->expand(m_model->index(row, kNameColumn));
}

void SystemCleanResult::selectBtnClicked(const QModelIndex& index, bool on)
{
    if (nodeOf(index))
        m_model->setData(index.siblingAtColumn(kNameColumn), on ? Qt::Checked : Qt::Unchecked, Qt::CheckStateRole);
}

void SystemCleanResult::openFile(const UserCachesSubObject& node)
{
    FileReveal::reveal(node.filePath);
}

} // namespace corvane
