// SPDX-License-Identifier: GPL-3.0-or-later
#pragma once

#include <QString>

namespace corvane {

// A leaf record of an outline. `pindex` says which screen the sidebar item opens; 0 for
// rows that open nothing.
struct ChildNode
{
    QString imageName;
    QString title;
    int pindex = 0;
    QString selectImageName;
    QString namevalue;
};

} // namespace corvane
