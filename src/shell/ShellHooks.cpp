// SPDX-License-Identifier: GPL-3.0-or-later
#include "shell/ShellHooks.h"

namespace corvane {

ShellHooks& ShellHooks::shared()
{
    static ShellHooks hooks;
    return hooks;
}

} // namespace corvane
