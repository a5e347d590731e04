// SPDX-License-Identifier: GPL-3.0-or-later
#pragma once

#include <QIcon>
#include <QPixmap>
#include <QString>

namespace corvane {

// The program's own images, looked up by the names the screens use ("活跃.png",
// "一键清理1.png"). They are compiled into the program, so a screen never depends on the
// working folder or on where the bundle lies.
class Artwork
{
public:
    // The image of that name; a null pixmap when there is none.
    static QPixmap image(const QString& name);
    static QIcon icon(const QString& name);
    static bool exists(const QString& name);
    // The resource path an image of that name is kept at.
    static QString resourcePath(const QString& name);
};

} // namespace corvane
