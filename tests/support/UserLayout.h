// SPDX-License-Identifier: GPL-3.0-or-later
#pragma once

#include "platform/Layout.h"

namespace corvane::test {

// The layout the program runs with by default (the Linux layout of the current user,
// whose home the test runner points at a scratch folder), for tests whose code under
// test only needs some layout.
inline const Layout& userLayout()
{
    static const Layout layout = Layout::linuxLayout();
    return layout;
}

} // namespace corvane::test
