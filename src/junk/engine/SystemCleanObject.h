// SPDX-License-Identifier: GPL-3.0-or-later
#pragma once

#include "junk/engine/UserCachesSubObject.h"

#include <QString>

#include <atomic>
#include <memory>
#include <vector>

namespace corvane {

// One junk category row of the clean screen and the root of its result tree.
class SystemCleanObject
{
public:
    using Ptr = std::shared_ptr<SystemCleanObject>;

    // Row progress values of `start`.
    enum Start { Idle = 0, Scanning = 1, Scanned = 2, Finished = 3 };

    QString fileName;
    QString fileDescription;
    QString fileAlert;
    // Selected for scanning and cleaning; read by the clean pass off the main thread.
    std::atomic<bool> state{false};
    int type = 0;
    int start = Idle;
    double fileSize = 0;
    std::vector<UserCachesSubObject::Ptr> listArray;
    // Declared with the row; this workflow leaves them alone.
    QString filePath;
    double percent = 0;
    bool pull = false;
    bool startClean = false;
};

} // namespace corvane
