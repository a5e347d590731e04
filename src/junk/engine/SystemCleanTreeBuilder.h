// SPDX-License-Identifier: GPL-3.0-or-later
#pragma once

#include "junk/engine/UserCachesSubObject.h"

#include <cstdint>
#include <functional>
#include <string>
#include <vector>

namespace corvane {

class SystemClean;

// Builds the result tree of one junk category from the catalogue's listings: groups,
// the browser category's sub-groups, items with their sizes and default checkbox
// states. Runs on the scan thread.
class SystemCleanTreeBuilder
{
public:
    using Stopped = std::function<bool()>;
    using Sizer = std::function<uint64_t(const AnchoredPath&)>;

    // `stopped` is read before each item (besides the catalogue's own flag inside the
    // listings); once it answers true no further item is added.
    SystemCleanTreeBuilder(const SystemClean& catalogue, Stopped stopped, Sizer sizer = {});

    // The groups of one category. Groups without members are left out.
    std::vector<UserCachesSubObject::Ptr> build(JunkCategory type) const;

    // Sizes paths with one worker per core, the calling thread included and never more
    // workers than paths; each worker measures a path at a time with the sizer. Answers
    // the sizes in the paths' order. Sizing stops handing out paths once `stopped`
    // answers true; the answer then holds the sizes of the leading paths that were all
    // measured.
    std::vector<uint64_t> sizeAll(const std::vector<AnchoredPath>& paths) const;
    // The size of a listed entry, measured below its container (links never followed)
    // on the calling thread alone: sizeAll already keeps every core busy.
    static uint64_t sizeOf(const AnchoredPath& entry);

private:
    using State = UserCachesSubObject::State;
    UserCachesSubObject::Ptr groupOf(const QString& name, State groupState, const std::vector<AnchoredPath>& paths,
                                     State itemState) const;
    std::vector<UserCachesSubObject::Ptr> buildBrowsers() const;
    std::vector<UserCachesSubObject::Ptr> buildDownloads() const;

    const SystemClean& m_catalogue;
    Stopped m_stopped;
    Sizer m_sizer;
};

} // namespace corvane
