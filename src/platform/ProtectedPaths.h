#pragma once

#include <string>

namespace corvane {

// Paths that no deletion route may take, whatever a listing or a caller asks for: the
// file-system root, the home folder and the standard folders themselves, system folders,
// anything that is not a plain absolute path, and mount points. Entries *inside* the
// standard folders (a cache, a log file) are not refused here.
class ProtectedPaths
{
public:
    static bool isProtected(const std::string& path);
    // "/a//b/./c/" -> "/a/b/c"; empty when the path is relative or has a ".." component.
    static std::string normalize(const std::string& path);
};

} // namespace corvane
