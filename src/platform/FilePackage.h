// SPDX-License-Identifier: GPL-3.0-or-later
#pragma once

#include <string>

namespace corvane {

// A folder that the desktop shows and treats as one item: an application bundle and
// the other bundle kinds, recognised by the folder's extension.
class FilePackage
{
public:
    static bool isFilePackage(const std::string& path);
    static bool hasPackageExtension(const std::string& path);
};

} // namespace corvane
