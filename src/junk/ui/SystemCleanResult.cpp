// SPDX-License-Identifier: GPL-3.0-or-later
#include "junk/ui/SystemCleanResult.h"

#include "common/QSFileUtility.h"
#include "junk/ui/SystemCleanResultVCDelegate.h"
#include "platform/FileChecks.h"
#include "toolkit/FileReveal.h"
#include "toolkit/ScreenLook.h"

#include <QFile>
#include <QHBoxLayout>
#include <QHeaderView>
#include <QLabel>
#include <QMimeDatabase>
#include <QPushButton>
#include <QStyle>
#include <QTreeWidget>
#include <QVBoxLayout>

namespace corvane {

namespace {

constexpr int kNodeRole = Qt::UserRole + 1;

QString displayName(const std::string& bytes)
{
    return QFile::decodeName(QByteArray(bytes.data(), qsizetype(bytes.size())));
}

Qt::CheckState checkState(UserCachesSubObject::State state)
{
    switch (state) {
    case UserCachesSubObject::State::On:
        return Qt::Checked;
    case UserCachesSubObject::State::Off:
        return Qt::Unchecked;
    case UserCachesSubObject::State::Mixed:
        break;
    }
    return Qt::PartiallyChecked;
}

} // namespace

SystemCleanResult* SystemCleanResult::demoView(QWidget* parent)
{
    return new SystemCleanResult(parent);
}

SystemCleanResult::SystemCleanResult(QWidget* parent)
    : QWidget(parent), m_title(new QLabel(this)), m_outline(new QTreeWidget(this)), m_back(new QPushButton(this))
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
    m_outline->setColumnCount(3);
    m_outline->setHeaderHidden(true);
    m_outline->setSelectionMode(QAbstractItemView::NoSelection);
    m_outline->setFocusPolicy(Qt::NoFocus);
    m_outline->setUniformRowHeights(true);
    m_outline->setIconSize(QSize(16, 16));
    m_outline->header()->setStretchLastSection(false);
    m_outline->header()->setSectionResizeMode(kNameColumn, QHeaderView::Stretch);
    m_outline->header()->setSectionResizeMode(kSizeColumn, QHeaderView::ResizeToContents);
    m_outline->header()->setSectionResizeMode(kOpenColumn, QHeaderView::ResizeToContents);

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
    connect(m_outline, &QTreeWidget::itemChanged, this, [this](QTreeWidgetItem* item, int column) {
        if (m_syncing || column != kNameColumn)
            return;
        selectBtnClicked(item, item->checkState(kNameColumn) == Qt::Checked);
    });
    connect(m_outline, &QTreeWidget::itemClicked, this, [this](QTreeWidgetItem* item, int column) {
        UserCachesSubObject* node = nodeOf(item);
        if (node && column == kOpenColumn && node->subType == UserCachesSubObject::SubType::Item)
            openFile(*node);
    });
}

UserCachesSubObject* SystemCleanResult::nodeOf(const QTreeWidgetItem* item)
{
    if (!item)
        return nullptr;
    return reinterpret_cast<UserCachesSubObject*>(item->data(kNameColumn, kNodeRole).value<quintptr>());
}

void SystemCleanResult::setSystemObject(SystemCleanObject::Ptr object)
{
    m_object = std::move(object);
    m_syncing = true;
    m_outline->clear();
    m_nodes.clear();
    if (m_object) {
        m_title->setText(m_object->fileName);
        loadRows(nullptr, m_object->listArray);
        for (int i = 0; i < m_outline->topLevelItemCount(); ++i)
            m_outline->topLevelItem(i)->setExpanded(true);
    }
    m_syncing = false;
}

QIcon SystemCleanResult::iconFor(const std::string& path)
{
    static const QMimeDatabase mimes;
    const QString name = displayName(path);
    const QMimeType type = FileChecks::isDirectory(path) ? mimes.mimeTypeForName(QStringLiteral("inode/directory"))
                                                         : mimes.mimeTypeForFile(name, QMimeDatabase::MatchExtension);
    const QString key = type.name();
    auto it = m_icons.find(key);
    if (it != m_icons.end())
        return *it;
    QIcon icon = QIcon::fromTheme(type.iconName(), QIcon::fromTheme(type.genericIconName()));
    if (icon.isNull())
        icon = style()->standardIcon(FileChecks::isDirectory(path) ? QStyle::SP_DirIcon : QStyle::SP_FileIcon);
    m_icons.insert(key, icon);
    return icon;
}

void SystemCleanResult::loadRows(QTreeWidgetItem* parent, const std::vector<UserCachesSubObject::Ptr>& nodes)
{
    for (const UserCachesSubObject::Ptr& node : nodes) {
        m_nodes.push_back(node);
        auto* item = parent ? new QTreeWidgetItem(parent) : new QTreeWidgetItem(m_outline);
        item->setData(kNameColumn, kNodeRole, QVariant::fromValue(reinterpret_cast<quintptr>(node.get())));
        item->setFlags(Qt::ItemIsEnabled | Qt::ItemIsUserCheckable);
        item->setCheckState(kNameColumn, checkState(node->state.load()));
        item->setText(kSizeColumn, QSFileUtility::fileSizeByDoubleSize(double(node->fileSize)));
        item->setTextAlignment(kSizeColumn, Qt::AlignRight | Qt::AlignVCenter);
        if (node->subType == UserCachesSubObject::SubType::Group) {
            // "UserCachesSubCellView": checkbox and the group's name.
            item->setText(kNameColumn, node->fileName);
            QFont bold = item->font(kNameColumn);
            bold.setBold(true);
            item->setFont(kNameColumn, bold);
        } else {
            // "SystemResultCellView": checkbox, icon, the item's name and its reveal button.
            item->setText(kNameColumn, displayName(lastComponent(node->filePath)));
            item->setToolTip(kNameColumn, displayName(node->filePath));
            item->setIcon(kNameColumn, iconFor(node->filePath));
            item->setText(kOpenColumn, tr("显示"));
            item->setForeground(kOpenColumn, QColor(45, 140, 240));
            item->setToolTip(kOpenColumn, tr("在文件管理器中显示"));
        }
        if (node->hasMembers())
            loadRows(item, node->listArray);
    }
}

void SystemCleanResult::syncStates(QTreeWidgetItem* item)
{
    if (UserCachesSubObject* node = nodeOf(item))
        item->setCheckState(kNameColumn, checkState(node->state.load()));
    for (int i = 0; i < item->childCount(); ++i)
        syncStates(item->child(i));
}

void SystemCleanResult::selectBtnClicked(QTreeWidgetItem* item, bool on)
{
    UserCachesSubObject* node = nodeOf(item);
    if (!node)
        return;
    node->click(on);
    m_syncing = true;
    for (int i = 0; i < m_outline->topLevelItemCount(); ++i)
        syncStates(m_outline->topLevelItem(i));
    m_syncing = false;
    if (m_delegate)
        m_delegate->showSelectTotalSizeWithCleanObject(m_object.get());
}

void SystemCleanResult::openFile(const UserCachesSubObject& node)
{
    FileReveal::reveal(node.filePath);
}

} // namespace corvane
