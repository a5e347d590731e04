// SPDX-License-Identifier: GPL-3.0-or-later
#pragma once

#include <string>

namespace corvane {

// The flatpak command for what only it may do to its applications: uninstalling one and
// ending its processes. Run as argument vectors, never as a shell line; the exit status is
// the answer (a system installation asks polkit itself).
class FlatpakTool
{
public:
    enum class Scope { User, System };

    // flatpak uninstall --user|--system --noninteractive <id>
    static bool uninstall(const std::string& id, Scope scope);
    // flatpak kill <id>
    static bool kill(const std::string& id);

    // An application id as flatpak accepts it: at most 255 bytes, three or more elements
    // separated by ".", each of [A-Za-z0-9_-] not starting with a digit, the last without
    // "-". Anything else ("../x", "a b", "-rf") is never handed to the tool.
    static bool isValidId(const std::string& id);
};

} // namespace corvane
