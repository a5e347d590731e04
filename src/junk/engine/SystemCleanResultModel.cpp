// SPDX-License-Identifier: GPL-3.0-or-later
#include "junk/engine/SystemCleanResultModel.h"

#include "common/QSFileUtility.h"
#include "platform/DisplayText.h"
#include "platform/FileChecks.h"

#include <QByteArray>
#include <QFile>
#include <algorithm>

namespace corvane {

namespace {

QByteArray bytesOf(const std::string& path)
{
    return QByteArray(path.data(), qsizetype(path.size()));
}

// A path shown to people; names that are not in the locale's encoding still round-trip.
QString displayName(const std::string& path)
{
    return DisplayText::forName(path);
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

SystemCleanResultModel::SystemCleanResultModel(QObject* parent) : QAbstractItemModel(parent) {}

void SystemCleanResultModel::setSystemObject(SystemCleanObject::Ptr object)
{
    beginResetModel();
    m_object = std::move(object);
    m_topLevel.clear();
    m_shown.clear();
    if (m_object)
        load(m_object->listArray, nullptr, m_topLevel);
    endResetModel();
}

void SystemCleanResultModel::load(const std::vector<UserCachesSubObject::Ptr>& nodes, const UserCachesSubObject* parent,
                                  std::vector<UserCachesSubObject*>& rows)
{
    rows.reserve(nodes.size());
    for (const UserCachesSubObject::Ptr& node : nodes) {
        // parent() answers from the node's own link, which addMember set.
        Q_ASSERT(node->parent == parent);
        Shown& shown = m_shown[node.get()]; // stays put while the map grows
        shown.node = node;
        shown.row = int(rows.size());
        rows.push_back(node.get());
        load(node->listArray, node.get(), shown.members);
    }
    nameItems(rows);
}

std::vector<std::string> SystemCleanResultModel::distinctEndings(const std::vector<std::string>& paths)
{
    // The ending of `path` with `parts` components (the whole path when it has fewer).
    auto ending = [](const std::string& path, int parts) {
        size_t cut = path.size();
        while (parts-- > 0) {
            if (cut == 0)
                return path;
            const size_t slash = path.rfind('/', cut - 1);
            if (slash == std::string::npos)
                return path;
            cut = slash;
        }
        return path.substr(cut + 1);
    };
    std::vector<int> depth(paths.size(), 1);
    std::vector<std::string> shown(paths.size());
    for (bool changed = true; changed;) {
        changed = false;
        std::unordered_map<std::string, std::vector<size_t>> byEnding;
        for (size_t i = 0; i < paths.size(); ++i) {
            shown[i] = ending(paths[i], depth[i]);
            byEnding[shown[i]].push_back(i);
        }
        for (const auto& [text, holders] : byEnding) {
            // Nothing tells one path listed twice from itself: it keeps its short name.
            if (std::all_of(holders.begin(), holders.end(), [&](size_t i) { return paths[i] == paths[holders[0]]; }))
                continue;
            for (size_t i : holders)
                if (shown[i] != paths[i]) {
                    ++depth[i];
                    changed = true;
                }
        }
    }
    return shown;
}

void SystemCleanResultModel::nameItems(const std::vector<UserCachesSubObject*>& siblings)
{
    std::vector<std::string> paths;
    std::vector<Shown*> items;
    for (UserCachesSubObject* node : siblings)
        if (node->subType == UserCachesSubObject::SubType::Item) {
            // A trailing slash would make the last component empty.
            std::string path = node->filePath;
            while (path.size() > 1 && path.back() == '/')
                path.pop_back();
            paths.push_back(std::move(path));
            items.push_back(&m_shown[node]);
        }
    const std::vector<std::string> names = distinctEndings(paths);
    for (size_t i = 0; i < items.size(); ++i)
        items[i]->name = displayName(names[i]);
}

UserCachesSubObject* SystemCleanResultModel::nodeOf(const QModelIndex& index) const
{
    if (!index.isValid() || index.model() != this)
        return nullptr;
    return static_cast<UserCachesSubObject*>(index.internalPointer());
}

QModelIndex SystemCleanResultModel::indexOf(const UserCachesSubObject* node, int column) const
{
    if (column < 0 || column >= ColumnCount)
        return {};
    const auto it = m_shown.find(node);
    if (it == m_shown.end())
        return {};
    return createIndex(it->second.row, column, it->second.node.get());
}

const std::vector<UserCachesSubObject*>* SystemCleanResultModel::membersOf(const QModelIndex& parent) const
{
    if (!parent.isValid())
        return &m_topLevel;
    if (parent.column() != NameColumn)
        return nullptr;
    const auto it = m_shown.find(nodeOf(parent));
    return it == m_shown.end() ? nullptr : &it->second.members;
}

QModelIndex SystemCleanResultModel::index(int row, int column, const QModelIndex& parent) const
{
    if (row < 0 || column < 0 || column >= ColumnCount)
        return {};
    const std::vector<UserCachesSubObject*>* rows = membersOf(parent);
    if (!rows || size_t(row) >= rows->size())
        return {};
    return createIndex(row, column, (*rows)[size_t(row)]);
}

QModelIndex SystemCleanResultModel::parent(const QModelIndex& child) const
{
    const UserCachesSubObject* node = nodeOf(child);
    if (!node || !node->parent)
        return {};
    return indexOf(node->parent);
}

int SystemCleanResultModel::rowCount(const QModelIndex& parent) const
{
    const std::vector<UserCachesSubObject*>* rows = membersOf(parent);
    return rows ? int(rows->size()) : 0;
}

int SystemCleanResultModel::columnCount(const QModelIndex&) const
{
    return ColumnCount;
}

Qt::ItemFlags SystemCleanResultModel::flags(const QModelIndex& index) const
{
    if (!nodeOf(index))
        return Qt::NoItemFlags;
    if (index.column() == NameColumn)
        return Qt::ItemIsEnabled | Qt::ItemIsUserCheckable;
    return Qt::ItemIsEnabled;
}

QVariant SystemCleanResultModel::data(const QModelIndex& index, int role) const
{
    const UserCachesSubObject* node = nodeOf(index);
    if (!node)
        return {};
    const bool isItem = node->subType == UserCachesSubObject::SubType::Item;
    if (role == IsItemRole)
        return isItem;
    if (role == PathBytesRole)
        return isItem ? QVariant(bytesOf(node->filePath)) : QVariant();

    switch (index.column()) {
    case NameColumn:
        if (role == Qt::DisplayRole)
            return isItem ? m_shown.at(node).name : node->fileName;
        if (role == Qt::ToolTipRole && isItem)
            return displayName(node->filePath);
        if (role == Qt::CheckStateRole)
            return int(checkState(node->state.load()));
        break;
    case SizeColumn:
        if (role == Qt::DisplayRole)
            return QSFileUtility::fileSizeByDoubleSize(double(node->fileSize));
        if (role == Qt::TextAlignmentRole)
            return int(Qt::AlignRight | Qt::AlignVCenter);
        break;
    case OpenColumn:
        if (isItem && role == Qt::DisplayRole)
            return tr("显示");
        if (isItem && role == Qt::ToolTipRole)
            return tr("在文件管理器中显示");
        break;
    default:
        break;
    }
    return {};
}

bool SystemCleanResultModel::setData(const QModelIndex& index, const QVariant& value, int role)
{
    UserCachesSubObject* node = nodeOf(index);
    if (!node || role != Qt::CheckStateRole || index.column() != NameColumn)
        return false;
    // A box is ticked on or off; a click on a mixed box asks for on.
    bool ok = false;
    const int asked = value.toInt(&ok);
    if (!ok || (asked != Qt::Checked && asked != Qt::Unchecked))
        return false;
    node->click(asked == Qt::Checked);

    emit dataChanged(index, index, {Qt::CheckStateRole});
    announceBelow(node);
    for (QModelIndex above = index.parent(); above.isValid(); above = above.parent())
        emit dataChanged(above, above, {Qt::CheckStateRole});
    emit ticked(m_object.get());
    return true;
}

void SystemCleanResultModel::announceBelow(const UserCachesSubObject* node)
{
    const auto it = m_shown.find(node);
    if (it == m_shown.end() || it->second.members.empty())
        return;
    const std::vector<UserCachesSubObject*>& members = it->second.members;
    emit dataChanged(createIndex(0, NameColumn, members.front()),
                     createIndex(int(members.size()) - 1, NameColumn, members.back()), {Qt::CheckStateRole});
    for (const UserCachesSubObject* member : members)
        announceBelow(member);
}

} // namespace corvane
