// SPDX-License-Identifier: GPL-3.0-or-later
#pragma once

#include <memory>
#include <string>
#include <vector>

namespace corvane {

class Layout;

// The files the session opens at login, in the order it keeps them.
class LoginItemList
{
public:
    struct Entry
    {
        std::string path; // the file the item opens
        std::string id;   // what the session knows it by (a desktop id); may be empty
    };

    virtual ~LoginItemList() = default;

    virtual std::vector<Entry> items() const = 0;
    // False when the item could not be added; never replaces another item.
    virtual bool append(const std::string& path) = 0;
    // Removes every item whose path is `path` or lies inside it; false when one of them
    // could not be removed.
    virtual bool removeUnder(const std::string& path) = 0;

    // Freedesktop autostart entries on Linux; a property-list array on the macOS-style
    // layout.
    static std::unique_ptr<LoginItemList> forLayout(const Layout& layout);
};

} // namespace corvane
