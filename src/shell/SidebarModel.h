// SPDX-License-Identifier: GPL-3.0-or-later
#pragma once

#include "toolkit/BaseNode.h"
#include "toolkit/ChildNode.h"

#include <QString>

#include <vector>

namespace corvane {

// One sidebar group: the record with "parent" and "children" of the outline's root.
struct SidebarGroup
{
    BaseNode parent;
    std::vector<ChildNode> children;
};

// The sidebar's table: four groups, ten items, each item naming its screen by `pindex`.
class SidebarModel
{
public:
    static constexpr int kFirstScreen = 1;
    static constexpr int kLastScreen = 10;
    static constexpr const char* kSelectImage = "tab-listbjp.png";
    static constexpr const char* kGroupImage = "活跃.png";

    // The groups in display order, the first titled as LaunchRules::firstGroupTitle says.
    // Titles are the translated texts.
    static std::vector<SidebarGroup> build(const QString& modelName);
    // The translated item title of a screen; empty outside 1 to 10.
    static QString titleForPindex(int pindex);
    // The image name of a screen's item; empty outside 1 to 10.
    static QString imageForPindex(int pindex);
    static bool isScreen(int pindex) { return pindex >= kFirstScreen && pindex <= kLastScreen; }
};

} // namespace corvane
