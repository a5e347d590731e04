// SPDX-License-Identifier: GPL-3.0-or-later
#pragma once

#include <QString>

namespace corvane {

// A group record of an outline (the sidebar's groups, the system-information sections).
struct BaseNode
{
    QString title;
    QString imageName;
    QString nameValue;
};

} // namespace corvane
