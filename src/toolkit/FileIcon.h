// SPDX-License-Identifier: GPL-3.0-or-later
#pragma once

#include <QIcon>

#include <string>

namespace corvane {

// The icon a file manager would show for a path: a folder, a package, or the icon of
// the file's type as the name suggests. Only the name and the entry's kind are read, so
// a result list of thousands of files costs no file contents; icons are cached by type.
class FileIcon
{
public:
    static QIcon iconForPath(const std::string& path);
};

} // namespace corvane
