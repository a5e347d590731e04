#pragma once

#include "junk/engine/SystemCleanObject.h"
#include "uninstall/engine/Uninstall.h"

#include <atomic>
#include <functional>
#include <string>
#include <vector>

namespace corvane {

class SystemClean;

// The clean pass: deletes every selected leaf of the result tree, category by category,
// and then finds out what is really gone.
class SystemCleanPass
{
public:
    // The run state in which a stop has been requested.
    static constexpr int kStopRequested = 4;

    struct Attempt
    {
        int category = 0;
        std::string path;
        double size = 0; // as measured by the scan
        Uninstall::Outcome outcome = Uninstall::Outcome::Absent;
    };

    struct Leftover
    {
        int category = 0;
        std::string path;
        double remaining = 0; // bytes still there
        Uninstall::Outcome outcome = Uninstall::Outcome::Absent;
    };

    // What the file system says once the pass is over. A request the privileged helper
    // has not carried out yet counts as not removed.
    struct Report
    {
        double removedSize = 0;
        double remainingSize = 0;
        std::vector<Attempt> removed;
        std::vector<Leftover> leftovers;
        bool stopped = false; // a stop request ended the pass early
    };

    // Walks the categories in order: leaves when the run state is 4 (setting the
    // catalogue's stop flag), skips unchecked categories, and deletes, group by group,
    // every leaf whose state is 1 (a sub-group's own state is never read). The tree is
    // not changed.
    // `afterEach`, when given, is called on the pass thread after each deletion.
    static std::vector<Attempt> run(const std::vector<SystemCleanObject::Ptr>& list, const std::atomic<int>& isStart,
                                    SystemClean& catalogue, bool* stopped = nullptr,
                                    const std::function<void(const Attempt&)>& afterEach = {},
                                    const Uninstall& remover = Uninstall::manager());

    // Looks at the file system again for every attempt: what is gone counts as removed
    // (a folder only partly removed counts by the part that is gone), what is left is a
    // leftover with the bytes still there. Trash records of entries that are gone by
    // now are dropped.
    static Report evaluate(const std::vector<Attempt>& attempts);
};

} // namespace corvane
