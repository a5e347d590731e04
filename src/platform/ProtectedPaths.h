// SPDX-License-Identifier: GPL-3.0-or-later
#pragma once

#include <string>

namespace corvane {

class Layout;

// Paths that no deletion route may take, whatever a listing or a caller asks for: the
// file-system root, the home folder and the standard folders themselves, system folders,
// anything that is not a plain absolute path, and mount points. Entries *inside* the
// standard folders (a cache, a log file) are not refused here. The home and standard
// folders are those of the given layout, and the real user's home folder as well.
class ProtectedPaths
{
public:
    static bool isProtected(const std::string& path, const Layout& layout);
    // "/a//b/./c/" -> "/a/b/c"; empty when the path is relative or has a ".." component.
    static std::string normalize(const std::string& path);
};

} // namespace corvane
