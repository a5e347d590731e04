// SPDX-License-Identifier: GPL-3.0-or-later
#pragma once

#include "search/engine/SearchFolderRow.h"

namespace corvane {

// The duplicate screen's folder row. The large-file screen shows the same rows, so the
// type itself lives in the search room under a name that fits both.
using DuplicatedFileObject = SearchFolderRow;

} // namespace corvane
