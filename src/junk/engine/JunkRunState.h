// SPDX-License-Identifier: GPL-3.0-or-later
#pragma once

namespace corvane {

// Where the junk screen's one run is: the scan button's meaning follows it ("扫描" when
// idle, "取消" while scanning, "清理" once scanned, "停止" while cleaning). A stop asked
// for during a clean is read by the clean pass between entries.
enum class JunkRunState { Idle, Scanning, Scanned, Cleaning, StopRequested };

} // namespace corvane
