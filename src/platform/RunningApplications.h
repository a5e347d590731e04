// SPDX-License-Identifier: GPL-3.0-or-later
#pragma once

#include "platform/ProcessTable.h"

#include <map>
#include <mutex>
#include <optional>
#include <string>
#include <string_view>
#include <vector>

namespace corvane {

class Layout;

// The user's running desktop applications, one per instance. A desktop session starts an
// application in a control group of its own named after its desktop id
// ("app-gnome-org.gnome.Terminal-1234.scope", "app-org.kde.dolphin@x.service",
// "app-flatpak-org.example.App-5.scope"); an application started through GIO also says so
// in its environment. Programs started from a terminal have neither and are not listed.
// An application counts when its desktop entry exists, is of Type=Application and is not
// NoDisplay: what a dock or launcher would show.
class RunningApplications
{
public:
    struct Application
    {
        pid_t pid = 0;          // the instance's oldest process
        uid_t uid = 0;
        uint64_t startTime = 0; // of that process: tells a reused pid apart
        std::string desktopId;  // "org.gnome.Terminal.desktop"
        std::string entryPath;
        std::string name;       // localized Name
        std::string icon;       // Icon, a theme name or a path
        std::vector<std::string> categories;
        uint64_t cpuTicks = 0;  // of all the instance's processes
        uint64_t rssPages = 0;
        std::vector<ProcessTable::Process> members;
    };

    struct Places
    {
        std::string procRoot = "/proc";
        // Folders holding applications/<id>.desktop, in the order they are looked in:
        // the user's data folder, XDG_DATA_DIRS, then Flatpak's exports.
        std::vector<std::string> dataDirs;
    };

    static Places places(const Layout& layout, const std::string& procRoot = "/proc");

    explicit RunningApplications(Places places);

    // The instances of `user`'s applications, in the order of their oldest process.
    std::vector<Application> list(uid_t user, const std::string& locale) const;

    // The desktop id a control group path names ("…/app-gnome-org.gnome.Terminal-12.scope"
    // → "org.gnome.Terminal"), with "\x2d" read as "-"; nothing for any other group.
    static std::optional<std::string> appIdFromCgroup(std::string_view cgroupPath);
    // The program a process runs (/proc/PID/exe), or empty.
    static std::string programOf(pid_t pid, const std::string& procRoot = "/proc");
    // The desktop entry of an id, or nothing.
    std::optional<std::string> entryFor(const std::string& desktopId) const;

private:
    // What a process is does not change while it runs: its application (from its control
    // group or launch variables) is read once per process, not once per refresh.
    struct Known
    {
        std::string key; // the instance: "g<control group>" or "p<pid>"; empty for none
        std::string id;
    };
    Known identify(const ProcessTable& table, const ProcessTable::Process& process) const;

    Places m_places;
    mutable std::mutex m_lock;
    mutable std::map<std::pair<pid_t, uint64_t>, Known> m_known;
};

} // namespace corvane
