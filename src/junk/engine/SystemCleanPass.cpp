#include "junk/engine/SystemCleanPass.h"

#include "common/QSFileUtility.h"
#include "junk/engine/SystemClean.h"
#include "platform/FileChecks.h"
#include "uninstall/engine/TrashEntries.h"

#include <algorithm>

namespace corvane {

std::vector<SystemCleanPass::Attempt> SystemCleanPass::run(const std::vector<SystemCleanObject::Ptr>& list,
                                                           const std::atomic<int>& isStart, SystemClean& catalogue,
                                                           bool* stopped,
                                                           const std::function<void(const Attempt&)>& afterEach,
                                                           const Uninstall& remover)
{
    std::vector<Attempt> attempts;
    if (stopped)
        *stopped = false;
    auto remove = [&](int category, const UserCachesSubObject& node) {
        attempts.push_back({category, node.filePath, node.fileSize, remover.unInstall(node.filePath)});
        if (afterEach)
            afterEach(attempts.back());
    };
    for (const SystemCleanObject::Ptr& category : list) {
        if (isStart.load() == kStopRequested) {
            catalogue.setIsStop(true);
            if (stopped)
                *stopped = true;
            break;
        }
        if (!category->state.load())
            continue;
        for (const UserCachesSubObject::Ptr& group : category->listArray) {
            for (const UserCachesSubObject::Ptr& member : group->listArray) {
                if (member->hasMembers()) {
                    for (const UserCachesSubObject::Ptr& child : member->listArray)
                        if (child->state.load() == 1)
                            remove(category->type, *child);
                } else if (member->state.load() == 1) {
                    remove(category->type, *member);
                }
            }
        }
    }
    return attempts;
}

SystemCleanPass::Report SystemCleanPass::evaluate(const std::vector<Attempt>& attempts)
{
    Report report;
    for (const Attempt& a : attempts) {
        if (!FileChecks::existsNoFollow(a.path)) {
            // Gone, whoever removed it; the Trash keeps no record of it any more.
            TrashEntries::forgetEntry(a.path);
            report.removedSize += a.size;
            report.removed.push_back(a);
            continue;
        }
        const double remaining = double(QSFileUtility::sizeAtPath(a.path, false));
        const double gone = std::max(0.0, a.size - remaining);
        report.removedSize += gone;
        report.remainingSize += remaining;
        report.leftovers.push_back({a.category, a.path, remaining, a.outcome});
    }
    return report;
}

} // namespace corvane
