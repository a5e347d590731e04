// SPDX-License-Identifier: GPL-3.0-or-later
#pragma once

#include <QIcon>

#include <string>

namespace corvane {

// The icon a file manager would show for a path: a folder or the icon of the file's type
// as the name suggests (the MIME database), from the icon theme, else from the installed
// freedesktop theme, else a bundled picture of the type's family (text, image, video,
// audio, archive, document, program). Only the name and the entry's kind are read, so a
// result list of thousands of files costs no file contents; icons are cached by type.
class FileIcon
{
public:
    static QIcon iconForPath(const std::string& path);
    // A named icon of the theme (an application's "Icon="), with the installed freedesktop
    // theme standing in the same way; null when no theme has it.
    static QIcon iconForName(const QString& name);
};

} // namespace corvane
