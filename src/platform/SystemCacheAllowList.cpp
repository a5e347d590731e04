// SPDX-License-Identifier: GPL-3.0-or-later
#include "platform/SystemCacheAllowList.h"

#include <cctype>
#include <string>

namespace corvane {

namespace {

bool endsWith(std::string_view s, std::string_view suffix)
{
    return s.size() >= suffix.size() && s.substr(s.size() - suffix.size()) == suffix;
}

bool startsWith(std::string_view s, std::string_view prefix)
{
    return s.substr(0, prefix.size()) == prefix;
}

// Whether a file of this name in that folder of the list is offered.
bool nameAllowed(std::string_view folder, std::string_view name)
{
    if (folder == "apt/archives")
        return endsWith(name, ".deb");
    if (folder == "apt")
        return name == "pkgcache.bin" || name == "srcpkgcache.bin";
    // man and fontconfig: any file but the marker that names the folder a cache, and locks.
    return name != "CACHEDIR.TAG" && !SystemCacheAllowList::isLockName(name);
}

} // namespace

bool SystemCacheAllowList::isLockName(std::string_view name)
{
    std::string n(name);
    for (char& c : n)
        c = static_cast<char>(std::tolower(static_cast<unsigned char>(c)));
    return n == "lock" || n == ".lock" || endsWith(n, ".lock") || endsWith(n, ".lck") || endsWith(n, "-lock") ||
           startsWith(n, "singleton") || endsWith(n, ".pid");
}

bool SystemCacheAllowList::allows(std::string_view relative, bool regularFile)
{
    if (!regularFile)
        return false;
    for (const Folder& folder : kFolders) {
        if (relative.size() <= folder.relative.size() + 1 || !startsWith(relative, folder.relative) ||
            relative[folder.relative.size()] != '/')
            continue;
        const std::string_view rest = relative.substr(folder.relative.size() + 1);
        int levels = 0; // folders between the listed folder and the file
        size_t start = 0;
        bool wellFormed = true;
        std::string_view name;
        for (;;) {
            const size_t slash = rest.find('/', start);
            const std::string_view part =
                rest.substr(start, slash == std::string_view::npos ? std::string_view::npos : slash - start);
            if (part.empty() || part == "." || part == "..")
                wellFormed = false;
            if (slash == std::string_view::npos) {
                name = part;
                break;
            }
            ++levels;
            start = slash + 1;
        }
        if (wellFormed && levels <= folder.depth && nameAllowed(folder.relative, name))
            return true;
    }
    return false;
}

} // namespace corvane
