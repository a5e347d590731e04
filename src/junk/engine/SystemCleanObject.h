// SPDX-License-Identifier: GPL-3.0-or-later
#pragma once

#include "junk/engine/UserCachesSubObject.h"

#include <QString>

#include <atomic>
#include <cstdint>
#include <memory>
#include <vector>

namespace corvane {

// One junk category row of the clean screen and the root of its result tree.
class SystemCleanObject
{
public:
    using Ptr = std::shared_ptr<SystemCleanObject>;

    // The row's progress: not scanned, being scanned, sized while the scan goes on, and
    // done with details to show (after a scan, or after a clean that left something).
    enum class Start { Idle, Scanning, Scanned, Finished };

    QString fileName;
    QString fileDescription;
    QString fileAlert;
    // Selected for scanning and cleaning; read by the clean pass off the main thread.
    std::atomic<bool> state{false};
    JunkCategory type = JunkCategory::Caches;
    Start start = Start::Idle;
    std::uint64_t fileSize = 0; // bytes
    std::vector<UserCachesSubObject::Ptr> listArray;
    // Declared with the row; this workflow leaves them alone.
    QString filePath;
    double percent = 0;
    bool pull = false;
    bool startClean = false;
};

} // namespace corvane
