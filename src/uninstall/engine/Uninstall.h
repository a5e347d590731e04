// SPDX-License-Identifier: GPL-3.0-or-later
#pragma once

#include "platform/AnchoredFolder.h"
#include "platform/DesktopApps.h"

#include <cstdint>
#include <string>
#include <vector>

namespace corvane {

class Layout;

// Which applications, plug-ins and preference panes can be uninstalled, and the
// program's one deletion step. Holds nothing but the layout it looks in (which must
// outlive it): every answer is computed afresh, so every operation may run on any
// thread at the same time. Cheap to make; whoever holds a layout makes one.
class Uninstall
{
public:
    // What unInstall did. Callers that need the final truth read the file system again:
    // a request handed to the privileged helper may finish later, or never.
    enum class Outcome {
        Absent,       // nothing was at the path
        Removed,      // gone, removed as the current user
        Refused,      // a protected path: neither route may remove it
        SentToHelper, // the user could not remove (all of) it; the helper was asked
        Skipped,      // the way to a listed entry changed (a link or a mount appeared below
                      // its container): what is there now was never offered, so it stays
    };

    explicit Uninstall(const Layout& layout);

    const Layout& layout() const { return m_layout; }

    std::vector<std::string> userInstalledApps() const;
    std::vector<std::string> allApps() const;
    // Every application the user can uninstall: the bundles of allApps() (a bundle below
    // the home folder counts as the user's), then Flatpak applications and AppImages.
    // `locale` picks localized names ("zh_CN.UTF-8").
    std::vector<DesktopApp> desktopApps(const std::string& locale) const;
    std::vector<std::string> excludeNonSystemApplications(const std::vector<std::string>& paths) const;
    // True for a system application (identifier beginning "com.apple" or empty).
    bool isNoSystemApplication(const std::string& path) const;
    // What the application screen offers: desktopApps() without the system's bundles and
    // without this program itself (its identifier, its installed bundle, its desktop ids),
    // which could not remove itself while it runs.
    std::vector<DesktopApp> uninstallableApps(const std::string& locale) const;

    // A plug-in and, where its own files say so (a GNOME Shell extension), its name and
    // version; both are empty for a plug-in file or folder that carries none.
    struct PlugIn
    {
        std::string path;
        std::string name;
        std::string version;
    };
    // macOS-style layout: the ".plugin" folders of the machine's and the user's Internet
    // plug-in folders. Linux layout: the "*.so" files of the browser plug-in folders (regular
    // files only, links passed over), then the user's GNOME Shell extensions. Each folder's
    // entries sorted by name.
    std::vector<PlugIn> plugInList() const;
    // The paths of plugInList().
    std::vector<std::string> plugins() const;
    std::vector<std::string> configFiles() const;

    // Removes the path for good (nothing goes to the Trash); when that fails, sends the
    // privileged "removeFile" request and returns without waiting. A path the
    // protected-path list refuses is removed by neither route. Deleting an entry of the
    // Trash also drops its Trash records.
    Outcome unInstall(const std::string& path) const;
    // The same for an entry listed from a container: removed below the container's open
    // descriptor, its path never walked again. An entry that cannot be reached that way
    // any more is skipped, and never handed to the helper (which would go by path).
    // `freedBytes`, when given, receives the bytes this process removed itself.
    Outcome unInstall(const AnchoredPath& entry, uint64_t* freedBytes = nullptr) const;

private:
    Outcome removeByPath(const std::string& path, uint64_t* freedBytes) const;

    const Layout& m_layout;
};

} // namespace corvane
