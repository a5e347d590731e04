// SPDX-License-Identifier: GPL-3.0-or-later
#include "platform/FilePackage.h"

#include "platform/FileChecks.h"

#include <algorithm>
#include <array>
#include <string_view>

namespace corvane {

namespace {

constexpr std::array<std::string_view, 22> kPackageExtensions = {
    "app", "bundle", "plugin", "prefPane", "framework", "kext", "appex", "xpc",
    "qlgenerator", "mdimporter", "saver", "component", "wdgt", "service", "docset",
    "pkg", "mpkg", "rtfd", "photoslibrary", "musiclibrary", "xcodeproj", "playground",
};

} // namespace

bool FilePackage::hasPackageExtension(const std::string& path)
{
    const std::string ext = pathExtension(path);
    if (ext.empty())
        return false;
    return std::any_of(kPackageExtensions.begin(), kPackageExtensions.end(), [&](std::string_view e) {
        if (e.size() != ext.size())
            return false;
        for (size_t i = 0; i < e.size(); ++i) {
            auto lower = [](char c) { return (c >= 'A' && c <= 'Z') ? char(c - 'A' + 'a') : c; };
            if (lower(e[i]) != lower(ext[i]))
                return false;
        }
        return true;
    });
}

bool FilePackage::isFilePackage(const std::string& path)
{
    return hasPackageExtension(path) && FileChecks::isDirectory(path);
}

} // namespace corvane
