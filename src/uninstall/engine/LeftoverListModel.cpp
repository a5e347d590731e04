// SPDX-License-Identifier: GPL-3.0-or-later
#include "uninstall/engine/LeftoverListModel.h"

#include "common/QSFileUtility.h"
#include "common/SerialQueue.h"
#include "common/ThreadHandOff.h"
#include "platform/AppProcesses.h"
#include "platform/DesktopFavorites.h"
#include "platform/FileChecks.h"
#include "platform/FlatpakTool.h"
#include "platform/Layout.h"
#include "platform/LogCategories.h"
#include "platform/ProtectedPaths.h"
#include "platform/TreeSize.h"
#include "uninstall/engine/Uninstall.h"

#include <QCoreApplication>

#include <algorithm>
#include <chrono>
#include <thread>
#include <tuple>
#include <unistd.h>
#include <unordered_set>

namespace corvane {

struct LeftoverListModel::Loaded
{
    std::vector<Item> items;
    std::vector<uint64_t> sizes;
    int count = 0;
    uint64_t bytes = 0;
};

struct LeftoverListModel::Removed
{
    size_t serial = 0;
    bool gone = false;
    QString note;
    QString reason;
};

namespace {

// How long removals handed to the privileged helper get, together, before the disk is
// taken at its word.
constexpr auto kHelperWindow = std::chrono::seconds(2);
constexpr auto kPostInterval = std::chrono::milliseconds(100);

bool startsWith(const std::string& text, const std::string& prefix)
{
    return text.compare(0, prefix.size(), prefix) == 0;
}

// Rows naming the same path count once, and so does everything inside a listed folder:
// its bytes are already in the folder's.
std::pair<int, uint64_t> summarise(const std::vector<Item>& items, const std::vector<uint64_t>& sizes)
{
    uint64_t bytes = 0;
    std::unordered_set<std::string> listed;
    for (const Item& item : items)
        listed.insert(ProtectedPaths::normalize(item.path()));
    const int count = int(listed.size());
    std::unordered_set<std::string> counted;
    for (size_t i = 0; i < items.size(); ++i) {
        const std::string p = ProtectedPaths::normalize(items[i].path());
        if (!counted.insert(p).second)
            continue;
        bool inside = false;
        for (size_t slash = p.rfind('/'); slash != std::string::npos && slash > 0 && !inside;
             slash = p.rfind('/', slash - 1))
            inside = listed.count(p.substr(0, slash)) > 0;
        if (!inside)
            bytes += sizes[i];
    }
    return {count, bytes};
}

} // namespace

LeftoverListModel::LeftoverListModel(const Layout& layout, Mode mode, QObject* parent)
    : QAbstractListModel(parent)
    , m_layout(layout)
    , m_mode(mode)
    , m_current(std::make_shared<std::atomic<uint64_t>>(0))
    , m_queue(std::make_unique<SerialQueue>("corvane.leftovers"))
{
}

LeftoverListModel::~LeftoverListModel()
{
    // Work still queued sees it is no longer wanted and stops at its next row.
    m_current->store(0);
    m_queue.reset();
}

void LeftoverListModel::load(const std::string& applicationPath)
{
    const uint64_t generation = ++m_generation;
    m_current->store(generation);
    beginResetModel();
    m_rows.clear();
    m_serials.clear();
    endResetModel();
    m_applicationPath = applicationPath;
    m_summaryCount = 0;
    m_summaryBytes = 0;
    m_loading = true;
    m_removing = false;
    emit selectAllStateChanged(selectAllState());

    m_queue->async([this, generation, current = m_current, path = applicationPath, layout = &m_layout] {
        if (current->load() != generation)
            return;
        auto loaded = std::make_shared<Loaded>();
        loaded->items = RelatedAppFilesScanner::relatedFilesToApplicationAtPath(path, *layout);
        loaded->sizes.reserve(loaded->items.size());
        for (const Item& item : loaded->items) {
            if (current->load() != generation)
                return;
            loaded->sizes.push_back(TreeSize::measure(item.path(), false).bytes);
        }
        std::tie(loaded->count, loaded->bytes) = summarise(loaded->items, loaded->sizes);
        QMetaObject::invokeMethod(
            this,
            ThreadHandOff::handedOver([this, generation, loaded = std::move(loaded)] { applyLoad(generation, loaded); }),
            Qt::QueuedConnection);
    });
}

void LeftoverListModel::applyLoad(uint64_t generation, std::shared_ptr<Loaded> result)
{
    if (generation != m_generation)
        return; // a newer load owns the list now
    beginResetModel();
    m_rows.clear();
    m_serials.clear();
    m_rows.reserve(result->items.size());
    m_serials.reserve(result->items.size());
    for (size_t i = 0; i < result->items.size(); ++i) {
        m_rows.push_back(Row{std::move(result->items[i]), result->sizes[i], {}, {}});
        m_serials.push_back(i);
    }
    m_summaryCount = result->count;
    m_summaryBytes = result->bytes;
    m_loading = false;
    endResetModel();
    emit selectAllStateChanged(selectAllState());
    emit loaded();
}

int LeftoverListModel::rowCount(const QModelIndex& parent) const
{
    return parent.isValid() ? 0 : int(m_rows.size());
}

QVariant LeftoverListModel::data(const QModelIndex& index, int role) const
{
    if (!index.isValid() || index.row() >= int(m_rows.size()))
        return {};
    const Row& row = m_rows[size_t(index.row())];
    switch (role) {
    case Qt::DisplayRole: return row.item.nameLine();
    case Qt::ToolTipRole: return row.item.displayName();
    case Qt::CheckStateRole: return row.item.checked() ? Qt::Checked : Qt::Unchecked;
    case PathRole: return QByteArray::fromStdString(row.item.path());
    case FolderLineRole: return row.item.folderLine();
    case SizeRole: return QVariant::fromValue<quint64>(row.size);
    case SizeTextRole: return QSFileUtility::fileSizeByDoubleSize(double(row.size));
    case NoteRole: return row.note;
    case ReasonRole: return row.reason;
    default: return {};
    }
}

bool LeftoverListModel::setData(const QModelIndex& index, const QVariant& value, int role)
{
    if (role != Qt::CheckStateRole || !index.isValid() || index.row() >= int(m_rows.size()))
        return false;
    setChecked(index.row(), value.value<Qt::CheckState>() == Qt::Checked);
    return true;
}

Qt::ItemFlags LeftoverListModel::flags(const QModelIndex& index) const
{
    if (!index.isValid())
        return Qt::NoItemFlags;
    Qt::ItemFlags f = Qt::ItemIsEnabled | Qt::ItemNeverHasChildren;
    if (!m_removing)
        f |= Qt::ItemIsUserCheckable;
    return f;
}

void LeftoverListModel::setChecked(int row, bool checked)
{
    if (row < 0 || row >= int(m_rows.size()) || m_removing)
        return;
    m_rows[size_t(row)].item.setChecked(checked);
    const QModelIndex at = index(row);
    emit dataChanged(at, at, {Qt::CheckStateRole});
    emit selectAllStateChanged(selectAllState());
}

int LeftoverListModel::selectAllState() const
{
    const auto ticked = std::count_if(m_rows.begin(), m_rows.end(), [](const Row& r) { return r.item.checked(); });
    if (ticked == 0)
        return 0;
    return size_t(ticked) < m_rows.size() ? -1 : 1;
}

int LeftoverListModel::selectAllClicked(int boxState)
{
    if (m_removing)
        return selectAllState();
    const bool tick = boxState != 0; // mixed counts as on
    for (Row& row : m_rows)
        row.item.setChecked(tick);
    if (!m_rows.empty())
        emit dataChanged(index(0), index(int(m_rows.size()) - 1), {Qt::CheckStateRole});
    const int now = tick ? 1 : 0;
    emit selectAllStateChanged(now);
    return now;
}

QString LeftoverListModel::summaryText() const
{
    return QStringLiteral("%1 %2 %3,%4 %5 %6")
        .arg(tr("存在"))
        .arg(m_summaryCount)
        .arg(tr("个相关文件"), tr("强力卸载可节省"), QSFileUtility::fileSizeByDoubleSize(double(m_summaryBytes)),
             tr("空间"));
}

int LeftoverListModel::rowOf(size_t serial) const
{
    const auto at = std::lower_bound(m_serials.begin(), m_serials.end(), serial);
    return at != m_serials.end() && *at == serial ? int(at - m_serials.begin()) : -1;
}

bool LeftoverListModel::removeTicked()
{
    if (m_loading || m_removing)
        return false;
    struct Job
    {
        size_t serial;
        std::string path;
        bool isApplication;
    };
    std::vector<Job> jobs;
    for (size_t i = 0; i < m_rows.size(); ++i) {
        Row& row = m_rows[i];
        if (!row.item.checked())
            continue;
        const std::string& path = row.item.path();
        jobs.push_back(Job{m_serials[i], path, path == m_applicationPath || pathExtension(path) == "app"});
        row.note.clear();
        row.reason.clear();
    }
    if (jobs.empty())
        return false;
    m_removing = true;
    m_kept = 0;
    const uint64_t generation = m_generation;
    const QString running = tr("应用仍在运行，未删除");
    const QString failed = tr("删除失败，文件仍在原处");
    const QString notRemoved = QStringLiteral("not-removed");

    m_queue->async([this, generation, current = m_current, jobs = std::move(jobs), mode = m_mode,
                    layout = &m_layout, app = m_applicationPath, procRoot = m_procRoot, stopWaitMs = m_stopWaitMs,
                    running, failed, notRemoved] {
        const auto post = [this, generation](std::vector<Removed> batch) {
            QMetaObject::invokeMethod(
                this,
                ThreadHandOff::handedOver(
                    [this, generation, batch = std::move(batch)] { applyRemoved(generation, batch); }),
                Qt::QueuedConnection);
        };
        const auto finish = [this, generation](int code) {
            QMetaObject::invokeMethod(
                this, ThreadHandOff::handedOver([this, generation, code] { finishRemoval(generation, code); }),
                Qt::QueuedConnection);
        };
        const RelatedAppFilesScanner::Names names = RelatedAppFilesScanner::namesOf(app, *layout);
        const bool removesApplication =
            std::any_of(jobs.begin(), jobs.end(), [](const Job& j) { return j.isApplication; });

        // An application still running would write its files again as they go: it is
        // asked to end, and given time to, before anything is removed.
        if (mode == Mode::Sheet && removesApplication) {
            const AppProcesses processes(procRoot, ::getuid());
            std::vector<AppProcesses::Process> found;
            for (const Job& job : jobs) {
                if (!job.isApplication)
                    continue;
                std::vector<AppProcesses::Process> some;
                if (job.path == app && names.kind == RelatedAppFilesScanner::Kind::Flatpak)
                    some = processes.ofFlatpak(names.identifier);
                else if (job.path == app && names.kind == RelatedAppFilesScanner::Kind::AppImage)
                    some = processes.ofAppImage(job.path);
                else
                    some = processes.ofBundle(job.path);
                found.insert(found.end(), some.begin(), some.end());
            }
            if (!found.empty() && !processes.stop(found, std::chrono::milliseconds(stopWaitMs)).empty()) {
                std::vector<Removed> all;
                for (const Job& job : jobs)
                    all.push_back(Removed{job.serial, false, running, QStringLiteral("still-running")});
                post(std::move(all));
                finish(0);
                return;
            }
        }

        const Uninstall uninstall(*layout);
        std::vector<const Job*> withHelper;
        std::vector<Removed> batch;
        auto last = std::chrono::steady_clock::now();
        for (const Job& job : jobs) {
            if (current->load() != generation)
                return;
            bool handed = false;
            if (job.path == app && names.kind == RelatedAppFilesScanner::Kind::Flatpak) {
                // Only flatpak itself may take an installation's files apart.
                const auto scope = startsWith(app, layout->home() + "/") ? FlatpakTool::Scope::User
                                                                         : FlatpakTool::Scope::System;
                FlatpakTool::uninstall(names.identifier, scope);
            } else {
                handed = uninstall.unInstall(job.path) == Uninstall::Outcome::SentToHelper;
            }
            if (handed) {
                withHelper.push_back(&job);
            } else {
                const bool gone = !FileChecks::existsNoFollow(job.path);
                batch.push_back(Removed{job.serial, gone, gone ? QString() : failed, gone ? QString() : notRemoved});
            }
            const auto now = std::chrono::steady_clock::now();
            if (now - last >= kPostInterval && !batch.empty()) {
                last = now;
                post(std::exchange(batch, {}));
            }
        }
        // One shared window for everything the helper was asked to remove.
        const auto deadline = std::chrono::steady_clock::now() + kHelperWindow;
        while (!withHelper.empty() && std::chrono::steady_clock::now() < deadline &&
               std::any_of(withHelper.begin(), withHelper.end(),
                           [](const Job* j) { return FileChecks::existsNoFollow(j->path); }))
            std::this_thread::sleep_for(std::chrono::milliseconds(100));
        for (const Job* job : withHelper) {
            const bool gone = !FileChecks::existsNoFollow(job->path);
            batch.push_back(Removed{job->serial, gone, gone ? QString() : failed, gone ? QString() : notRemoved});
        }
        if (!batch.empty())
            post(std::exchange(batch, {}));

        bool applicationGone = false;
        for (const Job& job : jobs)
            applicationGone = applicationGone || (job.isApplication && !FileChecks::existsNoFollow(job.path));
        if (mode == Mode::Sheet && applicationGone) {
            // Launchers of a removed application would point at nothing.
            std::vector<std::string> ids;
            if (layout->isMac()) {
                std::string label = lastComponent(app);
                if (pathExtension(label) == "app")
                    label.resize(label.size() - 4);
                ids.push_back(label);
            } else {
                if (names.kind != RelatedAppFilesScanner::Kind::Bundle && !names.identifier.empty())
                    ids.push_back(names.identifier + ".desktop");
                const std::string launchers = joinPath(layout->xdgDataHome(), "applications") + "/";
                for (const Job& job : jobs)
                    if (startsWith(job.path, launchers) && !FileChecks::existsNoFollow(job.path))
                        ids.push_back(lastComponent(job.path));
            }
            for (const std::string& id : ids)
                DesktopFavorites::remove(id, *layout);
        }
        finish(applicationGone ? 1 : 0);
    });
    emit selectAllStateChanged(selectAllState());
    return true;
}

void LeftoverListModel::applyRemoved(uint64_t generation, const std::vector<Removed>& batch)
{
    if (generation != m_generation)
        return;
    std::vector<int> goneRows;
    for (const Removed& r : batch) {
        const int row = rowOf(r.serial);
        if (row < 0)
            continue;
        if (r.gone) {
            goneRows.push_back(row);
            continue;
        }
        ++m_kept;
        Row& kept = m_rows[size_t(row)];
        kept.item.setChecked(false);
        kept.note = r.note;
        kept.reason = r.reason;
        emit dataChanged(index(row), index(row), {Qt::CheckStateRole, NoteRole, ReasonRole});
    }
    // From the bottom up, a run of neighbours at a time, so earlier rows keep their places.
    std::sort(goneRows.begin(), goneRows.end(), std::greater<>());
    for (size_t i = 0; i < goneRows.size();) {
        size_t j = i;
        while (j + 1 < goneRows.size() && goneRows[j + 1] == goneRows[j] - 1)
            ++j;
        const int first = goneRows[j];
        const int last = goneRows[i];
        beginRemoveRows(QModelIndex(), first, last);
        m_rows.erase(m_rows.begin() + first, m_rows.begin() + last + 1);
        m_serials.erase(m_serials.begin() + first, m_serials.begin() + last + 1);
        endRemoveRows();
        i = j + 1;
    }
}

void LeftoverListModel::finishRemoval(uint64_t generation, int returnCode)
{
    if (generation != m_generation)
        return;
    m_removing = false;
    emit selectAllStateChanged(selectAllState());
    emit removalFinished(returnCode, m_kept);
}

void LeftoverListModel::waitForIdle()
{
    m_queue->drain();
    QCoreApplication::sendPostedEvents(this);
}

} // namespace corvane
