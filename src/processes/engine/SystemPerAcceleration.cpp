// SPDX-License-Identifier: GPL-3.0-or-later
#include "processes/engine/SystemPerAcceleration.h"

#include "platform/AppProcesses.h"
#include "platform/Layout.h"

#include <algorithm>
#include <cstdlib>
#include <thread>
#include <unistd.h>

namespace corvane {

namespace {

std::string environmentLocale()
{
    for (const char* name : {"LC_ALL", "LC_MESSAGES", "LANG"})
        if (const char* v = std::getenv(name); v && *v)
            return v;
    return "C";
}

// The file manager is how the user reaches the desktop itself: never offered for quitting.
bool isFileManager(const RunningApplications::Application& app)
{
    return std::find(app.categories.begin(), app.categories.end(), "FileManager") != app.categories.end();
}

} // namespace

QString SystemPerObject::sizeText(double kB)
{
    if (kB > 1000000.0)
        return QString::asprintf("%.1fGB", kB / 1000000.0);
    if (kB > 1000.0)
        return QString::asprintf("%.1fMB", kB / 1000.0);
    return QString();
}

SystemPerAcceleration& SystemPerAcceleration::manager()
{
    // Never destroyed: a refresh may still be running on a worker while the program exits.
    static auto* lock = new std::mutex;
    static auto* managers = new std::vector<std::pair<const Layout*, std::unique_ptr<SystemPerAcceleration>>>;
    std::lock_guard guard(*lock);
    const Layout& layout = Layout::current();
    if (managers->empty() || managers->back().first != &layout) {
        const char* proc = std::getenv("CORVANE_PROC");
        managers->emplace_back(&layout, std::make_unique<SystemPerAcceleration>(
                                            RunningApplications::places(layout, proc && *proc ? proc : "/proc"),
                                            environmentLocale()));
    }
    return *managers->back().second;
}

SystemPerAcceleration::SystemPerAcceleration(RunningApplications::Places places, std::string locale,
                                             std::chrono::milliseconds firstInterval)
    : m_apps(std::move(places)), m_locale(std::move(locale)), m_firstInterval(firstInterval)
{
}

bool SystemPerAcceleration::isNeverQuit(const std::string& comm)
{
    static const char* const kNever[] = {
        "systemd", "dbus-daemon", "dbus-broker", "dbus-broker-launch", "systemd-logind", "systemd-journald",
        "systemd-udevd", "polkitd", "NetworkManager", "gdm", "gdm-session-wor", "sddm", "lightdm", "gnome-shell",
        "gnome-session-binary", "kwin_wayland", "kwin_x11", "plasmashell", "ksmserver", "Xwayland", "Xorg",
        "pipewire", "pipewire-pulse", "wireplumber", "gnome-keyring-daemon", "kwalletd5", "kwalletd6",
        "polkit-gnome-authentication-agent-1", "polkit-kde-authentication-agent-1", "xdg-desktop-portal",
        "xdg-document-portal", "xdg-permission-store",
    };
    for (const char* name : kNever)
        if (comm == name)
            return true;
    // Portals come in one per desktop ("xdg-desktop-portal-gnome").
    return comm.rfind("xdg-desktop-portal", 0) == 0;
}

SystemPerAcceleration::Sample SystemPerAcceleration::sample(std::vector<RunningApplications::Application>& apps) const
{
    Sample s;
    s.at = std::chrono::steady_clock::now();
    for (const RunningApplications::Application& app : apps)
        for (const ProcessTable::Process& member : app.members)
            s.ticks[{member.pid, member.startTime}] = member.cpuTicks;
    return s;
}

std::vector<SystemPerObject> SystemPerAcceleration::getResouceProcess()
{
    std::lock_guard guard(m_lock);
    const uid_t user = ::getuid();
    if (!m_sampled) {
        // A share needs two readings: the first call takes both.
        auto first = m_apps.list(user, m_locale);
        m_last = sample(first);
        m_sampled = true;
        std::this_thread::sleep_for(m_firstInterval);
    }
    std::vector<RunningApplications::Application> apps = m_apps.list(user, m_locale);
    Sample now = sample(apps);
    const double seconds = std::chrono::duration<double>(now.at - m_last.at).count();
    const double ticksPerSecond = double(ProcessTable::ticksPerSecond());

    std::vector<SystemPerObject> rows;
    for (const RunningApplications::Application& app : apps) {
        if (app.pid == ::getpid() || app.desktopId.rfind("com.corvane.CorvaneTidewell", 0) == 0 || isFileManager(app))
            continue;
        const auto oldest = std::find_if(app.members.begin(), app.members.end(),
                                         [&app](const ProcessTable::Process& p) { return p.pid == app.pid; });
        if (app.pid == 1 || (oldest != app.members.end() && isNeverQuit(oldest->comm)))
            continue;
        uint64_t used = 0;
        for (const ProcessTable::Process& member : app.members) {
            const auto before = m_last.ticks.find({member.pid, member.startTime});
            if (before != m_last.ticks.end() && member.cpuTicks >= before->second)
                used += member.cpuTicks - before->second;
        }
        SystemPerObject row;
        row.processName = QString::fromStdString(app.name);
        row.processIcon = QString::fromStdString(app.icon);
        row.cpu = seconds > 0 ? double(used) / ticksPerSecond / seconds * 100.0 : 0.0;
        row.processCpu = QString::asprintf("%.1f%%", row.cpu);
        row.rssKiB = app.rssPages * ProcessTable::pageSize() / 1024;
        row.processRss = SystemPerObject::sizeText(double(row.rssKiB));
        row.type = 1;
        row.state = 0;
        row.processId = QString::number(app.pid);
        row.pid = app.pid;
        row.startTime = app.startTime;
        row.uid = app.uid;
        row.desktopId = app.desktopId;
        rows.push_back(std::move(row));
    }
    m_last = std::move(now);
    return rows;
}

bool SystemPerAcceleration::quit(const SystemPerObject& row, std::string* reason)
{
    const auto refuse = [reason](const char* why) {
        if (reason)
            *reason = why;
        return false;
    };
    if (row.pid <= 1)
        return refuse("not an application's process");
    if (row.pid == ::getpid())
        return refuse("this program itself");
    if (row.uid != ::getuid())
        return refuse("another user's process");
    // Whatever a row says, the kernel's own /proc decides what the pid is now.
    const auto now = ProcessTable("/proc").read(row.pid);
    if (!now || now->startTime != row.startTime || now->uid != row.uid)
        return refuse("the process is gone (its pid may belong to another now)");
    if (isNeverQuit(now->comm))
        return refuse("the desktop cannot do without it");
    const AppProcesses processes("/proc", ::getuid());
    const auto stillRunning =
        processes.stop({AppProcesses::Process{row.pid, row.uid, row.startTime}}, std::chrono::milliseconds(0));
    (void)stillRunning; // asked to quit: how long it takes is the application's business
    return true;
}

} // namespace corvane
