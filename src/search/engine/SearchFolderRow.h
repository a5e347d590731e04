// SPDX-License-Identifier: GPL-3.0-or-later
#pragma once

#include <QString>

#include <string>

namespace corvane {

// One folder row of the duplicate-file and large-file screens: a folder (or file) the
// user chose, what the search is looking at inside it, and whether a search runs for it.
struct SearchFolderRow
{
    std::string path;   // the bytes as chosen; every file operation uses these
    QString resultPath; // the file now examined (shortened), "完成" at the end of a run
    bool isStart = false;

    // The last component and the whole path, for display only.
    QString title() const;
    QString subtitle() const;
};

} // namespace corvane
