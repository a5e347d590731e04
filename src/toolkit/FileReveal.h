// SPDX-License-Identifier: GPL-3.0-or-later
#pragma once

#include <QString>

#include <string>

namespace corvane {

// Shows a file selected in its folder in the desktop's file manager, without waiting for
// it: the FileManager1 service is asked first, and when nothing answers, the folder is
// opened instead.
class FileReveal
{
public:
    static void reveal(const std::string& path);
    // A file URL straight from the path's bytes, so names that are not UTF-8 still name the
    // right file.
    static QString fileUrl(const std::string& path);
};

} // namespace corvane
