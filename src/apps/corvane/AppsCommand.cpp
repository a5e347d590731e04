// SPDX-License-Identifier: GPL-3.0-or-later
// corvane apps: the applications the uninstaller offers, one JSON line each.
#include "Command.h"

#include "platform/ByteText.h"
#include "platform/Layout.h"
#include "platform/TreeSize.h"
#include "uninstall/engine/Uninstall.h"

#include <cinttypes>
#include <cstdio>
#include <cstdlib>

namespace corvane::cli {

namespace {

void printHelp(FILE* out)
{
    std::fprintf(out,
                 "usage: corvane apps [--root DIR] [--locale NAME]\n"
                 "\n"
                 "Lists the applications that can be uninstalled, one JSON line each:\n"
                 "{kind, path, name, id, version, size, scope}. Bundles come first, then\n"
                 "Flatpak applications (the user's installation, then the system's), then\n"
                 "AppImages in ~/Applications and ~/.local/bin. An AppImage is recognised by\n"
                 "its content and read as a file; it is never run. Packages of the system's\n"
                 "package manager and Snaps are not listed: their manager removes them.\n"
                 "\n"
                 "  --root DIR     look for system installations under DIR instead of /\n"
                 "  --locale NAME  the locale for names (default: LC_ALL, LC_MESSAGES, LANG)\n"
                 "\n"
                 "%s"
                 "\n"
                 "Exit status: 0 found, 1 nothing found, 2 bad usage.\n",
                 kPathsInJsonHelp);
}

int run(const std::vector<std::string>& args)
{
    std::string root;
    std::string locale = environmentLocale();
    for (size_t i = 0; i < args.size(); ++i) {
        const std::string& a = args[i];
        if (a == "--help" || a == "-h") {
            printHelp(stdout);
            return kFound;
        }
        if ((a == "--root" || a == "--locale") && i + 1 < args.size()) {
            (a == "--root" ? root : locale) = args[++i];
        } else {
            std::fprintf(stderr, "corvane apps: unknown option or missing value '%s'\n",
                         ByteText::forLog(a).c_str());
            printHelp(stderr);
            return kError;
        }
    }
    if (!root.empty() && root.front() != '/') {
        std::fprintf(stderr, "corvane apps: --root takes an absolute folder\n");
        return kError;
    }
    const Layout& current = Layout::current();
    const Layout layout = root.empty() || current.isMac()
                              ? current
                              : Layout(Layout::Kind::Linux, root, current.home(), current.login());
    const Uninstall uninstall(layout);
    const std::vector<DesktopApp> apps = uninstall.desktopApps(locale);
    for (const DesktopApp& app : apps) {
        const uint64_t size = TreeSize::measure(app.path, false).bytes;
        std::printf("{\"kind\":\"%s\",\"path\":%s,\"name\":%s,\"id\":%s,\"version\":%s,\"size\":%" PRIu64
                    ",\"scope\":\"%s\"}\n",
                    DesktopApp::kindName(app.kind), jsonString(app.path).c_str(), jsonString(app.name).c_str(),
                    jsonString(app.identifier).c_str(), jsonString(app.version).c_str(), size,
                    DesktopApp::scopeName(app.scope));
    }
    std::fflush(stdout);
    return apps.empty() ? kNothing : kFound;
}

Registrar registrar{{"apps", "list the applications that can be uninstalled: bundles, Flatpak, AppImages", run}};

} // namespace

} // namespace corvane::cli
