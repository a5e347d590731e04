// SPDX-License-Identifier: GPL-3.0-or-later
#pragma once

#include <string>
#include <vector>

namespace corvane {

class Layout;

// The lookup of standard folders by kind and domain, answered from the given layout.
// Results come user domain first, then local, network and system, and list only the
// domains this layout has a folder for (whether or not it exists on disk).
class StandardFolders
{
public:
    enum class Directory {
        Library,
        Caches,
        ApplicationSupport,
        Downloads,
        Documents,
        Trash,
        Applications,
        AllApplications,
    };

    enum Domain : unsigned {
        UserDomain = 1,
        LocalDomain = 2,
        NetworkDomain = 4,
        SystemDomain = 8,
        AllDomains = 0xffff,
    };

    static std::vector<std::string> search(Directory directory, unsigned domainMask, const Layout& layout);
    // The first result, or an empty text.
    static std::string first(Directory directory, unsigned domainMask, const Layout& layout);
};

} // namespace corvane
