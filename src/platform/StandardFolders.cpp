// SPDX-License-Identifier: GPL-3.0-or-later
#include "platform/StandardFolders.h"

#include "platform/Layout.h"

namespace corvane {

std::vector<std::string> StandardFolders::search(Directory directory, unsigned domainMask, const Layout& layout)
{
    using R = Layout::Role;
    std::vector<std::string> out;
    auto add = [&](Domain d, std::optional<std::string> p) {
        if ((domainMask & d) && p && !p->empty())
            out.push_back(*p);
    };
    const bool mac = layout.isMac();
    switch (directory) {
    case Directory::Library:
        add(UserDomain, layout.path(R::UserLibrary));
        add(LocalDomain, mac ? layout.rooted("/Library") : std::string("/usr/local/share"));
        add(SystemDomain, mac ? layout.rooted("/System/Library") : std::string("/usr/share"));
        break;
    case Directory::Caches:
        add(UserDomain, layout.path(R::UserCaches));
        add(LocalDomain, layout.path(R::SystemCaches));
        if (mac)
            add(SystemDomain, layout.rooted("/System/Library/Caches"));
        break;
    case Directory::ApplicationSupport:
        add(UserDomain, layout.path(R::UserApplicationSupport));
        add(LocalDomain, layout.path(R::SystemApplicationSupport));
        break;
    case Directory::Downloads:
        add(UserDomain, layout.path(R::Downloads));
        break;
    case Directory::Documents:
        add(UserDomain, layout.path(R::Documents));
        break;
    case Directory::Trash:
        add(UserDomain, layout.path(R::Trash));
        break;
    case Directory::Applications:
        add(UserDomain, layout.path(R::UserApplications));
        add(LocalDomain, layout.path(R::Applications));
        if (mac)
            add(SystemDomain, layout.rooted("/System/Applications"));
        break;
    case Directory::AllApplications:
        add(UserDomain, layout.path(R::UserApplications));
        add(LocalDomain, layout.path(R::Applications));
        if (mac) {
            add(LocalDomain, layout.rooted("/Applications/Utilities"));
            add(SystemDomain, layout.rooted("/System/Applications"));
        }
        break;
    }
    return out;
}

std::string StandardFolders::first(Directory directory, unsigned domainMask, const Layout& layout)
{
    auto all = search(directory, domainMask, layout);
    return all.empty() ? std::string() : all.front();
}

} // namespace corvane
