// SPDX-License-Identifier: GPL-3.0-or-later
#include "platform/FlatpakTool.h"

#include "platform/ProgramRun.h"

namespace corvane {

bool FlatpakTool::isValidId(const std::string& id)
{
    if (id.empty() || id.size() > 255)
        return false;
    int elements = 0;
    size_t start = 0;
    while (start <= id.size()) {
        size_t end = id.find('.', start);
        if (end == std::string::npos)
            end = id.size();
        const bool last = end == id.size();
        if (end == start)
            return false;
        if (id[start] >= '0' && id[start] <= '9')
            return false;
        for (size_t i = start; i < end; ++i) {
            const char c = id[i];
            const bool ok = (c >= 'a' && c <= 'z') || (c >= 'A' && c <= 'Z') || (c >= '0' && c <= '9') || c == '_' ||
                            (c == '-' && !last);
            if (!ok)
                return false;
        }
        ++elements;
        start = end + 1;
    }
    return elements >= 3;
}

bool FlatpakTool::uninstall(const std::string& id, Scope scope)
{
    if (!isValidId(id))
        return false;
    return ProgramRun::run(
               {"flatpak", "uninstall", scope == Scope::User ? "--user" : "--system", "--noninteractive", id}) == 0;
}

bool FlatpakTool::kill(const std::string& id)
{
    if (!isValidId(id))
        return false;
    return ProgramRun::run({"flatpak", "kill", id}) == 0;
}

} // namespace corvane
