// SPDX-License-Identifier: GPL-3.0-or-later
#include "junk/engine/SystemCleanTreeBuilder.h"

#include "junk/engine/SystemClean.h"
#include "platform/FileChecks.h"
#include "platform/PathResolver.h"
#include "platform/TreeSize.h"

#include <QCoreApplication>

#include <algorithm>
#include <atomic>
#include <thread>

namespace corvane {

namespace {

QString text(const char* key)
{
    return QCoreApplication::translate("SystemCleanView", key);
}

using State = UserCachesSubObject::State;

struct Pending
{
    QString subGroup; // empty: a member of the group itself
    AnchoredPath path;
    State state = State::On;
};

} // namespace

SystemCleanTreeBuilder::SystemCleanTreeBuilder(const SystemClean& catalogue, Stopped stopped, Sizer sizer)
    : m_catalogue(catalogue), m_stopped(std::move(stopped)), m_sizer(std::move(sizer))
{
    if (!m_stopped)
        m_stopped = [this] { return m_catalogue.isStop(); };
    if (!m_sizer)
        m_sizer = &SystemCleanTreeBuilder::sizeOf;
}

uint64_t SystemCleanTreeBuilder::sizeOf(const AnchoredPath& entry)
{
    // One worker per call: with a walker per core inside each of sizeAll's workers, a scan
    // would run cores × cores threads.
    constexpr unsigned kOneWorker = 1;
    if (!entry.container)
        return TreeSize::sizeAtPath(entry.path, false, kOneWorker);
    if (entry.relative.find('/') == std::string::npos)
        return TreeSize::measureAt(entry.container->fd(), entry.relative, entry.path, false, kOneWorker).bytes;
    auto parent = PathResolver::openParentBeneath(entry.container->fd(), entry.relative);
    return parent ? TreeSize::measureAt(parent->fd(), parent->name, entry.path, false, kOneWorker).bytes : 0;
}

std::vector<uint64_t> SystemCleanTreeBuilder::sizeAll(const std::vector<AnchoredPath>& paths) const
{
    const size_t n = paths.size();
    std::vector<uint64_t> sizes(n, 0);
    std::vector<char> done(n, 0);
    std::atomic<size_t> next{0};
    auto worker = [&] {
        for (;;) {
            if (m_stopped())
                return;
            const size_t i = next.fetch_add(1);
            if (i >= n)
                return;
            sizes[i] = m_sizer(paths[i]);
            done[i] = 1;
        }
    };
    const unsigned cores = std::max(1u, std::thread::hardware_concurrency());
    const size_t extra = std::min<size_t>(cores, n) > 1 ? std::min<size_t>(cores, n) - 1 : 0;
    std::vector<std::thread> helpers;
    for (size_t k = 0; k < extra; ++k)
        helpers.emplace_back(worker);
    worker();
    for (std::thread& t : helpers)
        t.join();
    size_t measured = 0;
    while (measured < n && done[measured])
        ++measured;
    sizes.resize(measured);
    return sizes;
}

UserCachesSubObject::Ptr SystemCleanTreeBuilder::groupOf(const QString& name, State groupState,
                                                         const std::vector<AnchoredPath>& paths, State itemState) const
{
    auto group = UserCachesSubObject::group(name, groupState);
    const std::vector<uint64_t> sizes = sizeAll(paths);
    for (size_t i = 0; i < sizes.size(); ++i) {
        group->addMember(UserCachesSubObject::item(paths[i], sizes[i], itemState));
        group->fileSize += sizes[i];
    }
    return group;
}

std::vector<UserCachesSubObject::Ptr> SystemCleanTreeBuilder::build(JunkCategory type) const
{
    std::vector<UserCachesSubObject::Ptr> groups;
    auto keep = [&](UserCachesSubObject::Ptr g) {
        if (g->hasMembers())
            groups.push_back(std::move(g));
    };
    switch (type) {
    case JunkCategory::Caches:
        keep(groupOf(text("用户缓存"), State::On, m_catalogue.userCaches(), State::On));
        if (!m_stopped())
            keep(groupOf(text("系统缓存"), State::On, m_catalogue.systemCaches(), State::On));
        break;
    case JunkCategory::Logs:
        keep(groupOf(text("用户日志"), State::On, m_catalogue.userLogs(), State::On));
        if (!m_stopped())
            keep(groupOf(text("系统日志"), State::On, m_catalogue.systemLogs(), State::On));
        break;
    case JunkCategory::Browsers:
        groups = buildBrowsers();
        break;
    case JunkCategory::Trash:
        keep(groupOf(text("废纸篓"), State::On, m_catalogue.trashFile(), State::On));
        break;
    case JunkCategory::Downloads:
        groups = buildDownloads();
        break;
    }
    return groups;
}

std::vector<UserCachesSubObject::Ptr> SystemCleanTreeBuilder::buildBrowsers() const
{
    // Gather every path of the category first so that sizing spreads over every core,
    // then place the items in the listings' order.
    std::vector<Pending> chrome;
    for (AnchoredPath& path : m_catalogue.gooleCookies()) {
        const std::string name = lastComponent(path.path);
        QString sub;
        if (name.find("Cookies") != std::string::npos)
            sub = text("Cookies");
        else if (name.find("Last Session") != std::string::npos)
            sub = text("最近的会话");
        else if (name.find("Last Tabs") != std::string::npos)
            sub = text("最近的标签页");
        else if (name.find("History") != std::string::npos)
            sub = text("浏览/下载历史");
        else
            continue;
        chrome.push_back({sub, std::move(path), State::Off});
    }
    if (!m_stopped())
        for (AnchoredPath& path : m_catalogue.gooleWebcache())
            chrome.push_back({text("网页缓存"), std::move(path), State::On});

    struct SafariList
    {
        QString name;
        SystemClean::Paths (SystemClean::*listing)() const;
        State state;
    };
    const SafariList safariLists[] = {
        {text("Cookies"), &SystemClean::safariCookies, State::Off},
        {text("下载历史"), &SystemClean::safariDownHistory, State::Off},
        {text("最近的会话"), &SystemClean::safariLastSession, State::Off},
        {text("浏览历史"), &SystemClean::safariHistory, State::Off},
        {text("网页图标"), &SystemClean::safariWebIcon, State::On},
        {text("网页缓存"), &SystemClean::safariWebCaches, State::On},
        {text("表单信息"), &SystemClean::safariForms, State::Off},
    };
    std::vector<Pending> safari;
    for (const SafariList& list : safariLists) {
        if (m_stopped())
            break;
        for (AnchoredPath& path : (m_catalogue.*list.listing)())
            safari.push_back({list.name, std::move(path), list.state});
    }

    std::vector<AnchoredPath> paths;
    for (const Pending& p : chrome)
        paths.push_back(p.path);
    for (const Pending& p : safari)
        paths.push_back(p.path);
    const std::vector<uint64_t> sizes = sizeAll(paths);

    size_t index = 0;
    auto browser = [&](const QString& name, const std::vector<Pending>& pending,
                       const std::vector<std::pair<QString, State>>& subGroups) {
        auto group = UserCachesSubObject::group(name, State::Mixed);
        std::vector<UserCachesSubObject::Ptr> subs;
        for (const auto& [subName, subState] : subGroups)
            subs.push_back(UserCachesSubObject::group(subName, subState));
        for (const Pending& p : pending) {
            if (index >= sizes.size())
                break;
            const uint64_t size = sizes[index++];
            for (size_t k = 0; k < subGroups.size(); ++k) {
                if (subGroups[k].first == p.subGroup) {
                    subs[k]->addMember(UserCachesSubObject::item(p.path, size, p.state));
                    subs[k]->fileSize += size;
                    break;
                }
            }
        }
        for (auto& sub : subs) {
            if (!sub->hasMembers())
                continue;
            group->fileSize += sub->fileSize;
            group->addMember(std::move(sub));
        }
        return group;
    };

    std::vector<UserCachesSubObject::Ptr> groups;
    auto chromeGroup = browser(text("Chrome"), chrome,
                               {{text("Cookies"), State::Off},
                                {text("最近的会话"), State::Off},
                                {text("最近的标签页"), State::Off},
                                {text("浏览/下载历史"), State::Off},
                                {text("网页缓存"), State::On}});
    index = chrome.size() < sizes.size() ? chrome.size() : sizes.size();
    std::vector<std::pair<QString, State>> safariSubs;
    for (const SafariList& list : safariLists)
        safariSubs.push_back({list.name, list.state});
    auto safariGroup = browser(text("Safari"), safari, safariSubs);
    if (chromeGroup->hasMembers())
        groups.push_back(chromeGroup);
    if (safariGroup->hasMembers())
        groups.push_back(safariGroup);
    return groups;
}

std::vector<UserCachesSubObject::Ptr> SystemCleanTreeBuilder::buildDownloads() const
{
    std::vector<UserCachesSubObject::Ptr> groups;
    const std::vector<AnchoredPath> paths = m_catalogue.downloadFile();
    const std::vector<uint64_t> sizes = sizeAll(paths);
    auto group = UserCachesSubObject::group(text("下载"), State::Mixed);
    for (size_t i = 0; i < sizes.size(); ++i) {
        // Installer images are what a download folder piles up; anything else may be
        // the user's work and stays unchecked.
        const std::string ext = pathExtension(paths[i].path);
        const State state = (ext == "dmg" || ext == "pkg") ? State::On : State::Off;
        group->addMember(UserCachesSubObject::item(paths[i], sizes[i], state));
        group->fileSize += sizes[i];
    }
    if (group->hasMembers())
        groups.push_back(group);
    return groups;
}

} // namespace corvane
