// SPDX-License-Identifier: GPL-3.0-or-later
// corvane startup: what starts without being asked, and switching it off or adding to it.
#include "Command.h"

#include "platform/ByteText.h"
#include "platform/FileChecks.h"
#include "startup/engine/LaunchItems.h"
#include "startup/engine/LoginItemListModel.h"

#include <climits>
#include <cstdio>
#include <unistd.h>

namespace corvane::cli {

namespace {

void printHelp(FILE* out)
{
    std::fprintf(out,
                 "usage: corvane startup [--disable ID] [--add PATH]\n"
                 "\n"
                 "Lists the login items (autostart entries) and the services other software\n"
                 "installed (enabled units of the system's and the user's service managers),\n"
                 "one JSON line each: {type, path, label, kind, company, domain}. type is\n"
                 "\"login\" or \"service\"; label is the desktop id or the unit name; domain is\n"
                 "\"system\" or \"user\" for a service. The system's own services, running\n"
                 "instances and this program's own jobs are not listed.\n"
                 "\n"
                 "  --disable ID  switch off the listed item of that label: a login item is\n"
                 "                removed (a machine-wide one hidden for this user), a user\n"
                 "                service disabled and stopped, a system service handed to the\n"
                 "                privileged helper; then prints {disabled, ok}\n"
                 "  --add PATH    add a login item opening PATH; then prints {added, ok}\n"
                 "\n"
                 "%s"
                 "\n"
                 "Exit status: 0 done (or something listed), 1 nothing listed or the change\n"
                 "failed, 2 bad usage.\n",
                 kPathsInJsonHelp);
}

int run(const std::vector<std::string>& args)
{
    std::string disable;
    std::string add;
    for (size_t i = 0; i < args.size(); ++i) {
        const std::string& a = args[i];
        if (a == "--help" || a == "-h") {
            printHelp(stdout);
            return kFound;
        }
        if ((a == "--disable" || a == "--add") && i + 1 < args.size() && !args[i + 1].empty()) {
            (a == "--disable" ? disable : add) = args[++i];
        } else {
            std::fprintf(stderr, "corvane startup: unknown option or missing value '%s'\n",
                         ByteText::forLog(a).c_str());
            printHelp(stderr);
            return kError;
        }
    }
    LaunchItems& items = LaunchItems::manager();
    if (!add.empty()) {
        const std::string path = absolutePath(add);
        const bool ok = FileChecks::existsNoFollow(path) && items.addLoginItem(path);
        std::printf("{\"added\":%s,\"ok\":%s}\n", jsonString(path).c_str(), ok ? "true" : "false");
        return ok ? kFound : kNothing;
    }
    const std::vector<LoginItemObject> rows = LoginItemListModel::build(items);
    if (!disable.empty()) {
        bool ok = false;
        bool found = false;
        for (const LoginItemObject& row : rows) {
            if (row.bundleID != disable)
                continue;
            found = true;
            ok = row.type == 1 ? items.removeLoginItem(row.filePath)
                               : items.removeLaunchService(row.bundleID, row.domain == "system"
                                                                            ? ServiceManager::Domain::System
                                                                            : ServiceManager::Domain::User);
            break;
        }
        if (!found)
            std::fprintf(stderr, "corvane startup: nothing listed is labelled '%s'\n", ByteText::forLog(disable).c_str());
        std::printf("{\"disabled\":%s,\"ok\":%s}\n", jsonString(disable).c_str(), ok ? "true" : "false");
        return ok ? kFound : kNothing;
    }
    for (const LoginItemObject& row : rows)
        std::printf("{\"type\":\"%s\",\"path\":%s,\"label\":%s,\"kind\":%s,\"company\":%s,\"domain\":%s}\n",
                    row.type == 1 ? "login" : "service", jsonString(row.filePath).c_str(),
                    jsonString(row.bundleID).c_str(), jsonString(row.fileType.toStdString()).c_str(),
                    jsonString(row.company().toStdString()).c_str(),
                    row.domain.empty() ? "null" : jsonString(row.domain).c_str());
    std::fflush(stdout);
    return rows.empty() ? kNothing : kFound;
}

Registrar registrar{{"startup", "list login items and installed services; switch one off or add one", run}};

} // namespace

} // namespace corvane::cli
