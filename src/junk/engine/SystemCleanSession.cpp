// SPDX-License-Identifier: GPL-3.0-or-later
#include "junk/engine/SystemCleanSession.h"

#include "common/Dispatch.h"
#include "common/QSFileUtility.h"
#include "common/ThreadHandOff.h"
#include "junk/engine/SystemClean.h"
#include "junk/engine/SystemCleanTreeBuilder.h"

#include <QCoreApplication>

#include <map>
#include <type_traits>

namespace corvane {

namespace {

QString text(const char* key)
{
    return QCoreApplication::translate("SystemCleanView", key);
}

QString sizeText(uint64_t bytes)
{
    return QSFileUtility::fileSizeByDoubleSize(double(bytes));
}

// Keeps only the leaves still on disk, each with the bytes left in it; groups that end
// up empty go. Answers the bytes left in the category.
uint64_t keepLeftovers(SystemCleanObject& category, const std::map<std::string, uint64_t>& left)
{
    constexpr auto kOn = UserCachesSubObject::State::On;
    uint64_t total = 0;
    std::vector<UserCachesSubObject::Ptr> groups;
    for (const UserCachesSubObject::Ptr& group : category.listArray) {
        std::vector<UserCachesSubObject::Ptr> members;
        uint64_t groupSize = 0;
        for (const UserCachesSubObject::Ptr& member : group->listArray) {
            if (member->hasMembers()) {
                std::vector<UserCachesSubObject::Ptr> children;
                uint64_t subSize = 0;
                for (const UserCachesSubObject::Ptr& child : member->listArray) {
                    if (auto it = left.find(child->filePath); it != left.end() && child->state.load() == kOn) {
                        child->fileSize = it->second;
                        subSize += it->second;
                        children.push_back(child);
                    }
                }
                if (children.empty())
                    continue;
                member->listArray = std::move(children);
                member->fileSize = subSize;
                member->deriveState();
                groupSize += subSize;
                members.push_back(member);
            } else if (auto it = left.find(member->filePath); it != left.end() && member->state.load() == kOn) {
                member->fileSize = it->second;
                groupSize += it->second;
                members.push_back(member);
            }
        }
        if (members.empty())
            continue;
        group->listArray = std::move(members);
        group->fileSize = groupSize;
        total += groupSize;
        groups.push_back(group);
    }
    category.listArray = std::move(groups);
    category.fileSize = total;
    return total;
}

} // namespace

SystemCleanSession::SystemCleanSession(SystemClean& catalogue, QObject* parent)
    : QObject(parent), m_catalogue(catalogue), m_list(loadMyArray())
{
    loadMyiew();
}

SystemCleanSession::~SystemCleanSession()
{
    ++m_generation;
    RunState expected = RunState::Cleaning;
    m_isStart.compare_exchange_strong(expected, RunState::StopRequested);
    std::unique_lock lock(m_workMutex);
    m_workDone.wait(lock, [this] { return m_running == 0; });
}

std::vector<SystemCleanObject::Ptr> SystemCleanSession::loadMyArray()
{
    struct Row
    {
        const char* name;
        QString description;
        bool state;
        const char* alert;
    };
    // The names and alerts are translated when the rows are made; each description is one
    // sentence, so that it can be translated as one.
    const Row rows[] = {
        {QT_TRANSLATE_NOOP("Corvane", "缓存"), text("清理系统和应用程序的缓存文件"), true, ""},
        {QT_TRANSLATE_NOOP("Corvane", "日志"), text("清理系统和应用程序的日志信息"), true, ""},
        {QT_TRANSLATE_NOOP("Corvane", "浏览器缓存"), text("清理网页缓存、cookies、历史记录等"), false,
         QT_TRANSLATE_NOOP("Corvane", "默认不清理cookies、历史记录、可在扫描详情中修改")},
        {QT_TRANSLATE_NOOP("Corvane", "废纸篓"), text("清理\"废纸篓\"中的文件"), false,
         QT_TRANSLATE_NOOP("Corvane", "文件删除后无法恢复,请慎重选择清理内容")},
        {QT_TRANSLATE_NOOP("Corvane", "下载"), text("清理\"下载\"目录中的文件"), false,
         QT_TRANSLATE_NOOP("Corvane", "该目录可能有重要文件,请慎重选择清理内容")},
    };
    static_assert(std::extent_v<decltype(rows)> == kJunkCategories.size());
    std::vector<SystemCleanObject::Ptr> list;
    for (size_t i = 0; i < kJunkCategories.size(); ++i) {
        const Row& row = rows[i];
        auto object = std::make_shared<SystemCleanObject>();
        object->fileName = text(row.name);
        object->fileDescription = row.description;
        object->state = row.state;
        object->fileAlert = *row.alert ? text(row.alert) : QString();
        object->type = kJunkCategories[i];
        list.push_back(std::move(object));
    }
    return list;
}

void SystemCleanSession::loadMyiew()
{
    m_texts.title = text("垃圾清理");
    m_texts.reloadTitle = text("取消");
    m_texts.spinning = false;
    if (m_catalogue.isStop()) {
        // A scan has finished and nothing was cleaned since: offer the clean.
        m_isStart = RunState::Scanned;
        m_texts.scanTitle = text("清理");
        m_texts.reloadVisible = true;
        m_texts.description.clear();
    } else {
        m_isStart = RunState::Idle;
        m_texts.scanTitle = text("扫描");
        m_texts.reloadVisible = false;
        m_texts.description = text("快速清理垃圾,给你更洁净的空间");
    }
}

void SystemCleanSession::beginWork()
{
    std::lock_guard lock(m_workMutex);
    ++m_running;
}

bool SystemCleanSession::workRunning() const
{
    std::lock_guard lock(m_workMutex);
    return m_running > 0;
}

void SystemCleanSession::endWork()
{
    std::lock_guard lock(m_workMutex);
    --m_running;
    m_workDone.notify_all();
}

void SystemCleanSession::emptyTotals()
{
    m_texts.foundLabel.clear();
    m_texts.foundSize.clear();
    m_texts.selectedLabel.clear();
    m_texts.selectedSize.clear();
}

void SystemCleanSession::redrawAll()
{
    for (size_t i = 0; i < m_list.size(); ++i)
        emit rowChanged(int(i));
}

void SystemCleanSession::writeTotals(bool)
{
    m_texts.foundLabel = text("检测到垃圾文件");
    m_texts.foundSize = sizeText(m_totalAllSize);
    m_texts.selectedLabel = text("已选择清理");
    m_texts.selectedSize = sizeText(selectTotalSize());
}

void SystemCleanSession::scanMethods()
{
    switch (m_isStart.load()) {
    case RunState::Idle:
        m_catalogue.setIsStop(false);
        m_isStart = RunState::Scanning;
        startScan();
        break;
    case RunState::Scanning:
        scanCancel();
        break;
    case RunState::Scanned:
        m_isStart = RunState::Cleaning;
        cleantrash();
        break;
    case RunState::Cleaning:
        // The running pass reads this before its next category and then ends; the
        // completion comes once, when it has.
        m_isStart = RunState::StopRequested;
        emit textsChanged();
        break;
    default:
        break;
    }
}

void SystemCleanSession::startScan()
{
    m_totalAllSize = 0;
    m_texts.scanTitle = text("取消");
    m_texts.description = text("正在扫描...");
    emptyTotals();
    m_texts.spinning = true;
    emit textsChanged();

    m_catalogue.clearWarnings();
    const unsigned generation = ++m_generation;
    beginWork();
    Dispatch::global([this, generation] {
        auto stale = [this, generation] { return m_generation.load() != generation; };
        auto stopped = [this, stale] { return m_catalogue.isStop() || stale(); };
        const SystemCleanTreeBuilder builder(m_catalogue, stopped);
        auto onMain = [this, stale](std::function<void()> fn) {
            QMetaObject::invokeMethod(this, ThreadHandOff::handedOver([stale, fn = std::move(fn)] {
                                          if (!stale())
                                              fn();
                                      }),
                                      Qt::QueuedConnection);
        };
        for (size_t i = 0; i < m_list.size(); ++i) {
            if (stopped())
                break;
            const SystemCleanObject::Ptr category = m_list[i];
            onMain([category] {
                category->listArray.clear();
                category->fileSize = 0;
            });
            if (!category->state.load())
                continue;
            onMain([this, category, i] {
                category->start = SystemCleanObject::Start::Scanning;
                emit rowChanged(int(i));
            });
            auto groups = builder.build(category->type);
            onMain([this, category, i, groups = std::move(groups)]() mutable {
                category->listArray = std::move(groups);
                category->fileSize = fileSizeWithArray(category->listArray);
                category->start = SystemCleanObject::Start::Scanned;
                emit rowChanged(int(i));
            });
        }
        onMain([this] {
            if (!m_catalogue.isStop())
                queueStop();
        });
        endWork();
    });
}

void SystemCleanSession::queueStop()
{
    // A folder listed by two categories (the browsers' caches inside the user's caches)
    // is junk once, and counted once.
    std::vector<std::pair<std::string, uint64_t>> leaves;
    for (const SystemCleanObject::Ptr& category : m_list)
        if (category->state.load())
            collectLeaves(*category, false, leaves);
    m_totalAllSize = SystemCleanPass::sizeCountedOnce(leaves);
    m_isStart = RunState::Scanned;
    m_catalogue.setIsStop(true);
    writeTotals(true);
    m_texts.description.clear();
    m_texts.spinning = false;
    m_texts.scanTitle = text("清理");
    m_texts.reloadVisible = true;
    for (const SystemCleanObject::Ptr& category : m_list)
        if (category->state.load())
            category->start = SystemCleanObject::Start::Finished;
    redrawAll();
    emit textsChanged();
    emit scanFinished();
}

void SystemCleanSession::scanCancel()
{
    // A clean pass cannot be cancelled, only stopped between categories.
    if (m_isStart.load() == RunState::Cleaning || m_isStart.load() == RunState::StopRequested)
        return;
    m_isStart = RunState::Idle;
    ++m_generation;
    m_catalogue.setIsStop(true);
    m_texts.spinning = false;
    m_texts.scanTitle = text("扫描");
    m_texts.description = text("快速清理垃圾,给你更洁净的空间");
    emptyTotals();
    m_texts.reloadVisible = false;
    for (const SystemCleanObject::Ptr& category : m_list)
        category->start = SystemCleanObject::Start::Idle;
    redrawAll();
    emit textsChanged();
    emit scanCancelled();
}

void SystemCleanSession::cleantrash()
{
    m_texts.reloadVisible = false;
    emptyTotals();
    m_texts.scanTitle = text("停止");
    m_texts.description = text("正在清理...");
    m_texts.spinning = true;
    emit textsChanged();

    beginWork();
    Dispatch::global([this] {
        bool stopped = false;
        const auto attempts = SystemCleanPass::run(m_list, m_isStart, m_catalogue, &stopped);
        SystemCleanPass::Report report = SystemCleanPass::evaluate(attempts, m_catalogue.layout());
        report.stopped = stopped;
        QMetaObject::invokeMethod(this, ThreadHandOff::handedOver([this, report = std::move(report)]() mutable {
                                      completeClean(std::move(report));
                                  }),
                                  Qt::QueuedConnection);
        endWork();
    });
}

void SystemCleanSession::completeClean(SystemCleanPass::Report&& finished)
{
    m_report = std::move(finished); // a clean of a million entries keeps one report, not two
    const SystemCleanPass::Report& report = m_report;
    std::map<JunkCategory, std::map<std::string, uint64_t>> leftByCategory;
    for (const SystemCleanPass::Leftover& l : report.leftovers)
        leftByCategory[l.category][l.path] = l.remaining;

    if (m_catalogue.isStop()) {
        m_texts.description.clear();
        m_texts.foundLabel = text("已清理垃圾");
        m_texts.foundSize = sizeText(report.removedSize);
        m_texts.selectedLabel.clear();
        m_texts.selectedSize.clear();
        if (!report.leftovers.empty()) {
            // Say what stayed and where to look at it, rather than claim it is gone.
            m_texts.selectedLabel = text("未能清理");
            m_texts.selectedSize = sizeText(report.remainingSize);
            m_texts.description = text("部分文件未能清理,可在对应项目的“详情”中查看");
        }
    }
    m_isStart = RunState::Idle;
    m_texts.spinning = false;
    m_texts.scanTitle = text("扫描");
    m_catalogue.setIsStop(false);
    for (const SystemCleanObject::Ptr& category : m_list) {
        category->start = SystemCleanObject::Start::Idle;
        if (auto it = leftByCategory.find(category->type); it != leftByCategory.end()) {
            if (keepLeftovers(*category, it->second) > 0 || !category->listArray.empty())
                category->start = SystemCleanObject::Start::Finished;
        }
    }
    redrawAll();
    emit textsChanged();
    emit cleanFinished();
}

void SystemCleanSession::selectBtnClicked(int row, bool on)
{
    if (row < 0 || size_t(row) >= m_list.size())
        return;
    m_list[size_t(row)]->state = on;
    emit rowChanged(row);
    if (m_isStart.load() == RunState::Scanned) {
        writeTotals(false);
        emit textsChanged();
    }
}

void SystemCleanSession::showSelectTotalSizeWithCleanObject(SystemCleanObject*)
{
    // Only a finished scan shows totals; during a clean the fields stay empty.
    if (m_catalogue.isStop() && m_isStart.load() == RunState::Scanned) {
        writeTotals(false);
        emit textsChanged();
    }
}

void SystemCleanSession::collectLeaves(const SystemCleanObject& category, bool selectedOnly,
                                       std::vector<std::pair<std::string, uint64_t>>& out)
{
    auto take = [&](const UserCachesSubObject& leaf) {
        if (!selectedOnly || leaf.state.load() == UserCachesSubObject::State::On)
            out.emplace_back(leaf.filePath, leaf.fileSize);
    };
    for (const UserCachesSubObject::Ptr& group : category.listArray) {
        for (const UserCachesSubObject::Ptr& member : group->listArray) {
            if (member->hasMembers()) {
                for (const UserCachesSubObject::Ptr& child : member->listArray)
                    take(*child);
            } else {
                take(*member);
            }
        }
    }
}

uint64_t SystemCleanSession::selectTotalSize() const
{
    std::vector<std::pair<std::string, uint64_t>> leaves;
    for (const SystemCleanObject::Ptr& category : m_list)
        if (category->state.load())
            collectLeaves(*category, true, leaves);
    return SystemCleanPass::sizeCountedOnce(leaves);
}

uint64_t SystemCleanSession::fileSizeWithArray(const std::vector<UserCachesSubObject::Ptr>& nodes)
{
    uint64_t sum = 0;
    for (const UserCachesSubObject::Ptr& node : nodes)
        sum += node->fileSize;
    m_totalAllSize += sum;
    return sum;
}

} // namespace corvane
