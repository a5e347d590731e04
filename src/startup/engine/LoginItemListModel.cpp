// SPDX-License-Identifier: GPL-3.0-or-later
#include "startup/engine/LoginItemListModel.h"

#include "platform/Bundle.h"
#include "platform/DisplayText.h"
#include "platform/FileChecks.h"
#include "platform/Layout.h"
#include "platform/RunningApplications.h"

#include <optional>
#include <unistd.h>
#include "startup/engine/LaunchItems.h"

namespace corvane {

namespace {

// The name a file manager shows: an application bundle without its ".app".
QString displayName(const std::string& path)
{
    std::string name = lastComponent(path);
    if (pathExtension(name) == "app")
        name.resize(name.size() - 4);
    return DisplayText::forName(name);
}

std::string bundleIdentifier(const std::string& path)
{
    const auto info = Bundle::read(path);
    return info ? info->identifier.toStdString() : std::string();
}

} // namespace

LoginItemObject LoginItemListModel::loginItemFor(const std::string& path, const std::string& id)
{
    LoginItemObject object;
    object.filePath = path;
    object.bundleID = id.empty() ? bundleIdentifier(path) : id;
    object.fileType = LoginItemObject::humanReadableFileType(path);
    object.type = 1;
    return object;
}

std::vector<LoginItemObject> LoginItemListModel::build(const LaunchItems& items)
{
    std::vector<LoginItemObject> rows;
    for (const LoginItemList::Entry& entry : items.loginItems())
        rows.push_back(loginItemFor(entry.path, entry.id));
    std::optional<std::vector<RunningApplications::Application>> running;
    for (const QVariantMap& job : items.launchServices()) {
        LoginItemObject object;
        object.filePath = LaunchItems::programOf(job);
        object.bundleID = job.value(QStringLiteral("Label")).toString().toStdString();
        // A job whose program is not there may still be the running application of the
        // same id: its program stands for it.
        if (!items.layout().isMac() && !FileChecks::existsNoFollow(object.filePath)) {
            if (!running)
                running = RunningApplications(RunningApplications::places(items.layout()))
                              .list(::getuid(), std::string("C"));
            std::string id = object.bundleID;
            if (const size_t dot = id.rfind('.'); dot != std::string::npos)
                id = id.substr(0, dot);
            for (const RunningApplications::Application& app : *running)
                if (app.desktopId == id + ".desktop" || app.desktopId == object.bundleID + ".desktop") {
                    object.filePath = RunningApplications::programOf(app.pid);
                    break;
                }
        }
        object.fileType = LoginItemObject::humanReadableFileType(object.filePath);
        object.type = 2;
        object.domain = job.value(QStringLiteral("Domain")).toString().toStdString();
        rows.push_back(std::move(object));
    }
    return rows;
}

void LoginItemListModel::setRows(std::vector<LoginItemObject> rows)
{
    beginResetModel();
    m_rows = std::move(rows);
    endResetModel();
}

void LoginItemListModel::append(std::vector<LoginItemObject> rows)
{
    if (rows.empty())
        return;
    beginInsertRows(QModelIndex(), int(m_rows.size()), int(m_rows.size() + rows.size()) - 1);
    for (LoginItemObject& row : rows)
        m_rows.push_back(std::move(row));
    endInsertRows();
}

void LoginItemListModel::removeRow(int row)
{
    if (row < 0 || row >= int(m_rows.size()))
        return;
    beginRemoveRows(QModelIndex(), row, row);
    m_rows.erase(m_rows.begin() + row);
    endRemoveRows();
}

int LoginItemListModel::rowOfPath(const std::string& path) const
{
    for (size_t i = 0; i < m_rows.size(); ++i)
        if (m_rows[i].path() == path)
            return int(i);
    return -1;
}

int LoginItemListModel::rowCount(const QModelIndex& parent) const
{
    return parent.isValid() ? 0 : int(m_rows.size());
}

int LoginItemListModel::columnCount(const QModelIndex& parent) const
{
    return parent.isValid() ? 0 : ColumnCount;
}

QVariant LoginItemListModel::data(const QModelIndex& index, int role) const
{
    if (!index.isValid() || index.row() >= int(m_rows.size()))
        return {};
    const LoginItemObject& row = m_rows[size_t(index.row())];
    if (role == FilePathRole)
        return QByteArray::fromStdString(row.filePath);
    if (role == Qt::ToolTipRole && index.column() == NameColumn)
        return DisplayText::forName(row.filePath);
    if (role == Qt::CheckStateRole && index.column() == NameColumn)
        return row.state == 1 ? Qt::Checked : Qt::Unchecked;
    if (role != Qt::DisplayRole)
        return {};
    switch (index.column()) {
    case NameColumn: return displayName(row.filePath);
    case KindColumn: return row.fileType;
    case CompanyColumn: return row.company();
    default: return {};
    }
}

bool LoginItemListModel::setData(const QModelIndex& index, const QVariant& value, int role)
{
    if (role != Qt::CheckStateRole || !index.isValid() || index.column() != NameColumn ||
        index.row() >= int(m_rows.size()))
        return false;
    const int state = value.value<Qt::CheckState>() == Qt::Checked ? 1 : 0;
    m_rows[size_t(index.row())].state = state;
    emit dataChanged(index, index, {Qt::CheckStateRole});
    emit stateClicked(index.row(), state);
    return true;
}

Qt::ItemFlags LoginItemListModel::flags(const QModelIndex& index) const
{
    if (!index.isValid())
        return Qt::NoItemFlags;
    Qt::ItemFlags f = Qt::ItemIsEnabled | Qt::ItemNeverHasChildren;
    if (index.column() == NameColumn)
        f |= Qt::ItemIsUserCheckable;
    return f;
}

QVariant LoginItemListModel::headerData(int section, Qt::Orientation orientation, int role) const
{
    if (orientation != Qt::Horizontal || role != Qt::DisplayRole)
        return {};
    switch (section) {
    case NameColumn: return tr("启动项");
    case KindColumn: return tr("类别");
    case CompanyColumn: return tr("公司");
    default: return {};
    }
}

} // namespace corvane
