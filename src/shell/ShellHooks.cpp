#include "shell/ShellHooks.h"

namespace corvane {

ShellHooks& ShellHooks::shared()
{
    static ShellHooks hooks;
    return hooks;
}

} // namespace corvane
