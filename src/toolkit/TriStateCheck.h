// SPDX-License-Identifier: GPL-3.0-or-later
#pragma once

#include <Qt>

#include <vector>

namespace corvane {

// The check-box convention of the tree views: 1 on, 0 off, -1 mixed. A mixed box that is
// clicked becomes on; a parent's state is derived from its children.
class TriStateCheck
{
public:
    static constexpr int On = 1;
    static constexpr int Off = 0;
    static constexpr int Mixed = -1;

    // The state a click leads to: off and mixed become on, on becomes off.
    static int clicked(int state);
    // All children on: on. All off (or no children): off. Anything else: mixed. A child
    // that is itself mixed makes the parent mixed.
    static int derive(const std::vector<int>& children);
    static Qt::CheckState toQt(int state);
    static int fromQt(Qt::CheckState state);
    // Any value other than 1 and -1 reads as off, so a stored oddity never shows as on.
    static int normalised(int state);
};

} // namespace corvane
