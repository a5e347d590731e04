// SPDX-License-Identifier: GPL-3.0-or-later
#include "junk/engine/SystemCleanPass.h"

#include "common/QSFileUtility.h"
#include "junk/engine/SystemClean.h"
#include "platform/FileChecks.h"
#include "platform/PathResolver.h"
#include "platform/TreeSize.h"
#include "uninstall/engine/TrashEntries.h"

#include <algorithm>
#include <cerrno>
#include <optional>
#include <string_view>
#include <sys/stat.h>
#include <thread>
#include <unordered_set>

namespace corvane {

namespace {

struct Selected
{
    JunkCategory category;
    const UserCachesSubObject* node;
};

// What is left of an entry, looked at below its container: nothing when it is gone, its
// size when it is there. `reachable` is false when the way to it is blocked (a link or
// a mount now stands on it), so what is there cannot be told.
std::optional<uint64_t> remainingOf(const AnchoredPath& entry, bool& reachable)
{
    reachable = true;
    if (!entry.container) {
        if (!FileChecks::existsNoFollow(entry.path))
            return std::nullopt;
        return QSFileUtility::sizeAtPath(entry.path, false);
    }
    auto parent = PathResolver::openParentBeneath(entry.container->fd(), entry.relative);
    if (!parent) {
        if (errno == ENOENT)
            return std::nullopt;
        reachable = false;
        return 0;
    }
    if (!FileChecks::existsAt(parent->fd(), parent->name.c_str()))
        return std::nullopt;
    return TreeSize::measureAt(parent->fd(), parent->name, entry.path, false).bytes;
}

// Whether an entry is still there, without measuring it; `known` is false when the way to
// it is blocked, so that cannot be told.
bool present(const AnchoredPath& entry, bool& known)
{
    known = true;
    if (!entry.container)
        return FileChecks::existsNoFollow(entry.path);
    auto parent = PathResolver::openParentBeneath(entry.container->fd(), entry.relative);
    if (!parent) {
        known = errno == ENOENT;
        return false;
    }
    return FileChecks::existsAt(parent->fd(), parent->name.c_str());
}

// The helper answers one request at a time, each after asking polkit, and on its own time:
// the client never waits for it. Looking at once would report its work as left undone, and
// a process that ends meanwhile loses the rest, since polkit is asked about the requesting
// process and refuses one that is gone. So the pass stays until every entry handed over is
// gone, or the window (one for all of them, not one each) has passed.
void awaitHelper(const std::vector<SystemCleanPass::Attempt>& attempts, std::chrono::milliseconds window)
{
    std::vector<const SystemCleanPass::Attempt*> pending;
    for (const SystemCleanPass::Attempt& a : attempts)
        if (a.outcome == Uninstall::Outcome::SentToHelper)
            pending.push_back(&a);
    const auto until = std::chrono::steady_clock::now() + window;
    for (;;) {
        std::erase_if(pending, [](const SystemCleanPass::Attempt* a) {
            bool known = true;
            const bool there = present(a->entry.path.empty() ? AnchoredPath::plain(a->path) : a->entry, known);
            return !there || !known;
        });
        if (pending.empty() || std::chrono::steady_clock::now() >= until)
            return;
        std::this_thread::sleep_for(std::chrono::milliseconds(20));
    }
}

} // namespace

std::vector<bool> SystemCleanPass::insideOthers(const std::vector<std::string>& paths)
{
    return insideOthers(std::vector<std::string_view>(paths.begin(), paths.end()));
}

std::vector<bool> SystemCleanPass::insideOthers(const std::vector<std::string_view>& paths)
{
    std::unordered_set<std::string_view> all(paths.begin(), paths.end());
    std::vector<bool> inside(paths.size(), false);
    for (size_t i = 0; i < paths.size(); ++i) {
        std::string_view p(paths[i]);
        while (p.size() > 1 && p.back() == '/')
            p.remove_suffix(1);
        for (size_t slash = p.rfind('/'); slash != std::string_view::npos && slash > 0;
             slash = p.rfind('/', slash - 1)) {
            if (all.count(p.substr(0, slash))) {
                inside[i] = true;
                break;
            }
        }
    }
    return inside;
}

uint64_t SystemCleanPass::sizeCountedOnce(const std::vector<std::pair<std::string, uint64_t>>& items)
{
    std::vector<std::string_view> paths;
    paths.reserve(items.size());
    for (const auto& item : items)
        paths.emplace_back(item.first);
    const std::vector<bool> inside = insideOthers(paths);
    std::unordered_set<std::string_view> counted;
    uint64_t total = 0;
    for (size_t i = 0; i < items.size(); ++i)
        if (!inside[i] && counted.insert(std::string_view(items[i].first)).second)
            total += items[i].second;
    return total;
}

std::vector<SystemCleanPass::Attempt> SystemCleanPass::run(const std::vector<SystemCleanObject::Ptr>& list,
                                                           const std::atomic<JunkRunState>& isStart,
                                                           SystemClean& catalogue, bool* stopped,
                                                           const std::function<void(const Attempt&)>& afterEach)
{
    const Uninstall remover(catalogue.layout());
    std::vector<Attempt> attempts;
    if (stopped)
        *stopped = false;

    // Every selected leaf of every checked category, first: a leaf of one category may
    // lie inside a leaf of another ("用户缓存" holds the browsers' cache folders).
    std::vector<Selected> selected;
    for (const SystemCleanObject::Ptr& category : list) {
        if (!category->state.load())
            continue;
        for (const UserCachesSubObject::Ptr& group : category->listArray) {
            for (const UserCachesSubObject::Ptr& member : group->listArray) {
                if (member->hasMembers()) {
                    for (const UserCachesSubObject::Ptr& child : member->listArray)
                        if (child->state.load() == UserCachesSubObject::State::On)
                            selected.push_back({category->type, child.get()});
                } else if (member->state.load() == UserCachesSubObject::State::On) {
                    selected.push_back({category->type, member.get()});
                }
            }
        }
    }
    // Views into the tree's own strings: a clean of a million entries copies no path.
    std::vector<std::string_view> paths;
    paths.reserve(selected.size());
    for (const Selected& s : selected)
        paths.emplace_back(s.node->filePath);
    const std::vector<bool> inside = insideOthers(paths);
    std::unordered_set<std::string_view> done;

    size_t next = 0;
    for (const SystemCleanObject::Ptr& category : list) {
        if (isStart.load() == JunkRunState::StopRequested) {
            catalogue.setIsStop(true);
            if (stopped)
                *stopped = true;
            break;
        }
        if (!category->state.load())
            continue;
        for (; next < selected.size() && selected[next].category == category->type; ++next) {
            const UserCachesSubObject& node = *selected[next].node;
            if (inside[next] || !done.insert(paths[next]).second)
                continue; // goes with the folder holding it, or was listed twice
            Attempt attempt{
                category->type, node.filePath, node.fileSize, Uninstall::Outcome::Absent, node.anchored(), 0};
            attempt.outcome = remover.unInstall(attempt.entry, &attempt.freedBytes);
            attempts.push_back(std::move(attempt));
            if (afterEach)
                afterEach(attempts.back());
        }
    }
    return attempts;
}

SystemCleanPass::Report SystemCleanPass::evaluate(const std::vector<Attempt>& attempts, const Layout& layout)
{
    awaitHelper(attempts, kHelperWindow);
    Report report;
    for (const Attempt& a : attempts) {
        const AnchoredPath entry = a.entry.path.empty() ? AnchoredPath::plain(a.path) : a.entry;
        bool reachable = true;
        const std::optional<uint64_t> left = remainingOf(entry, reachable);
        // What the helper removed is known only from what is left; what we removed
        // ourselves was counted as it went.
        auto freed = [&](uint64_t remaining) {
            if (a.outcome == Uninstall::Outcome::SentToHelper)
                return std::max(a.freedBytes, a.size > remaining ? a.size - remaining : uint64_t(0));
            return a.freedBytes;
        };
        if (!left && a.outcome != Uninstall::Outcome::Skipped) {
            // Gone, whoever removed it; the Trash keeps no record of it any more.
            TrashEntries::forgetEntry(entry, layout);
            report.removedSize += freed(0);
            report.removed.push_back(a);
            report.removed.back().entry = {}; // the report names paths; the folder can close
            continue;
        }
        const uint64_t remaining = reachable && left ? *left : a.size;
        report.removedSize += freed(remaining);
        report.remainingSize += remaining;
        report.leftovers.push_back({a.category, a.path, remaining, a.outcome});
    }
    return report;
}

} // namespace corvane
