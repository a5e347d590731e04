// SPDX-License-Identifier: GPL-3.0-or-later
#pragma once

#include "junk/engine/JunkRunState.h"
#include "junk/engine/SystemCleanObject.h"
#include "uninstall/engine/Uninstall.h"

#include <atomic>
#include <chrono>
#include <cstdint>
#include <functional>
#include <string>
#include <string_view>
#include <vector>

namespace corvane {

class Layout;
class SystemClean;

// The clean pass: deletes every selected leaf of the result tree, category by category,
// and then finds out what is really gone.
class SystemCleanPass
{
public:
    // The run state in which a stop has been requested.

    struct Attempt
    {
        JunkCategory category = JunkCategory::Caches;
        std::string path;
        std::uint64_t size = 0; // bytes, as measured by the scan
        Uninstall::Outcome outcome = Uninstall::Outcome::Absent;
        AnchoredPath entry;      // the item as listed (empty: `path` stands alone)
        uint64_t freedBytes = 0; // what this process removed itself
    };

    struct Leftover
    {
        JunkCategory category = JunkCategory::Caches;
        std::string path;
        std::uint64_t remaining = 0; // bytes still there
        Uninstall::Outcome outcome = Uninstall::Outcome::Absent;
    };

    // What the file system says once the pass is over. A request the privileged helper
    // has not carried out within its window counts as not removed.
    struct Report
    {
        std::uint64_t removedSize = 0; // bytes
        std::uint64_t remainingSize = 0;
        std::vector<Attempt> removed;
        std::vector<Leftover> leftovers;
        bool stopped = false; // a stop request ended the pass early
    };

    // Walks the categories in order: leaves when the run state is 4 (setting the
    // catalogue's stop flag), skips unchecked categories, and deletes, group by group,
    // every leaf that is on (a sub-group's own state is never read). A selected
    // leaf that lies inside another selected leaf (a browser cache inside a selected
    // cache folder) is not removed on its own: it goes with the folder holding it. The
    // tree is not changed.
    // `afterEach`, when given, is called on the pass thread after each deletion. Entries
    // are removed by Uninstall over the catalogue's layout.
    static std::vector<Attempt> run(const std::vector<SystemCleanObject::Ptr>& list,
                                    const std::atomic<JunkRunState>& isStart, SystemClean& catalogue,
                                    bool* stopped = nullptr, const std::function<void(const Attempt&)>& afterEach = {});

    // How long the helper is given, all the requests of one pass together, before what it
    // was asked to remove is looked at.
    static constexpr std::chrono::milliseconds kHelperWindow{2000};

    // Looks at the file system again for every attempt, below the entry's container,
    // once every entry handed to the helper is gone or its window has passed:
    // what is gone counts as removed, what is left is a leftover with the bytes still
    // there. The cleaned figure is what was really freed — the bytes this process
    // unlinked, or for a request the helper carried out, the scanned size less what is
    // left — never the scan's figure for something that was already gone. Trash records
    // of entries that are gone by now are dropped (those of the layout's Trash).
    static Report evaluate(const std::vector<Attempt>& attempts, const Layout& layout);

    // For each path, whether another path of the list is one of its ancestors (compared
    // by whole components), so that nested listings count and go once.
    static std::vector<bool> insideOthers(const std::vector<std::string>& paths);
    static std::vector<bool> insideOthers(const std::vector<std::string_view>& paths);
    // Sum of the sizes, a path inside another listed path not counted again.
    static std::uint64_t sizeCountedOnce(const std::vector<std::pair<std::string, std::uint64_t>>& items);
};

} // namespace corvane
