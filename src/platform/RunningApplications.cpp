// SPDX-License-Identifier: GPL-3.0-or-later
#include "platform/RunningApplications.h"

#include "platform/DesktopApps.h"
#include "platform/DesktopEntry.h"
#include "platform/FileChecks.h"
#include "platform/Layout.h"

#include <algorithm>
#include <cstdlib>
#include <map>
#include <unistd.h>

namespace corvane {

namespace {

bool startsWith(std::string_view text, std::string_view prefix)
{
    return text.substr(0, prefix.size()) == prefix;
}

bool endsWith(std::string_view text, std::string_view suffix)
{
    return text.size() >= suffix.size() && text.substr(text.size() - suffix.size()) == suffix;
}

std::string unescapeUnitName(std::string_view text)
{
    std::string out;
    for (size_t i = 0; i < text.size(); ++i) {
        if (text[i] == '\\' && i + 3 < text.size() && text[i + 1] == 'x') {
            const std::string hex(text.substr(i + 2, 2));
            char* end = nullptr;
            const long value = std::strtol(hex.c_str(), &end, 16);
            if (end == hex.c_str() + 2 && value > 0) {
                out += char(value);
                i += 3;
                continue;
            }
        }
        out += text[i];
    }
    return out;
}

} // namespace

RunningApplications::Places RunningApplications::places(const Layout& layout, const std::string& procRoot)
{
    Places p;
    p.procRoot = procRoot;
    p.dataDirs.push_back(layout.xdgDataHome());
    const char* dirs = std::getenv("XDG_DATA_DIRS");
    std::string list = dirs && *dirs ? dirs : "/usr/local/share:/usr/share";
    size_t start = 0;
    while (start <= list.size()) {
        const size_t end = std::min(list.find(':', start), list.size());
        const std::string dir = list.substr(start, end - start);
        if (!dir.empty() && dir.front() == '/')
            p.dataDirs.push_back(layout.rooted(dir));
        start = end + 1;
    }
    const DesktopApps::Places flatpak = DesktopApps::places(layout);
    if (!flatpak.flatpakUser.empty())
        p.dataDirs.push_back(joinPath(flatpak.flatpakUser, "exports/share"));
    for (const std::string& installation : flatpak.flatpakSystem)
        p.dataDirs.push_back(joinPath(installation, "exports/share"));
    return p;
}

RunningApplications::RunningApplications(Places places) : m_places(std::move(places)) {}

std::optional<std::string> RunningApplications::appIdFromCgroup(std::string_view cgroupPath)
{
    const size_t slash = cgroupPath.rfind('/');
    std::string_view unit = slash == std::string_view::npos ? cgroupPath : cgroupPath.substr(slash + 1);
    if (!startsWith(unit, "app-"))
        return std::nullopt;
    unit.remove_prefix(4);
    if (endsWith(unit, ".scope")) {
        unit.remove_suffix(6);
        // app[-<launcher>]-<id>-<random>.scope
        const size_t dash = unit.rfind('-');
        if (dash == std::string_view::npos)
            return std::nullopt;
        unit = unit.substr(0, dash);
    } else if (endsWith(unit, ".service")) {
        unit.remove_suffix(8);
        // app[-<launcher>]-<id>[@<random>].service
        if (const size_t at = unit.find('@'); at != std::string_view::npos)
            unit = unit.substr(0, at);
    } else {
        return std::nullopt;
    }
    // A "-" left over separates the launcher: one inside the id is written "\x2d".
    if (const size_t dash = unit.find('-'); dash != std::string_view::npos)
        unit = unit.substr(dash + 1);
    if (unit.empty())
        return std::nullopt;
    return unescapeUnitName(unit);
}

std::string RunningApplications::programOf(pid_t pid, const std::string& procRoot)
{
    char target[4096];
    const std::string link = joinPath(procRoot, std::to_string(pid) + "/exe");
    const ssize_t n = ::readlink(link.c_str(), target, sizeof target - 1);
    return n > 0 ? std::string(target, size_t(n)) : std::string();
}

std::optional<std::string> RunningApplications::entryFor(const std::string& desktopId) const
{
    if (desktopId.empty() || desktopId.find('/') != std::string::npos || desktopId == "." || desktopId == "..")
        return std::nullopt;
    const std::string file = endsWith(desktopId, ".desktop") ? desktopId : desktopId + ".desktop";
    for (const std::string& dir : m_places.dataDirs) {
        const std::string path = joinPath(dir, "applications/" + file);
        if (FileChecks::exists(path))
            return path;
    }
    return std::nullopt;
}

RunningApplications::Known RunningApplications::identify(const ProcessTable& table,
                                                         const ProcessTable::Process& process) const
{
    const std::string group = table.cgroupOf(process.pid);
    if (const auto id = appIdFromCgroup(group))
        return Known{"g" + group, *id};
    const auto values =
        table.environmentValues(process.pid, {"GIO_LAUNCHED_DESKTOP_FILE", "GIO_LAUNCHED_DESKTOP_FILE_PID"});
    // A child inherits the variables; only the process they name is the application.
    if (!values[0] || !values[1] || *values[1] != std::to_string(process.pid))
        return {};
    std::string name = lastComponent(*values[0]);
    if (endsWith(name, ".desktop"))
        name.resize(name.size() - 8);
    return Known{"p" + std::to_string(process.pid), name};
}

std::vector<RunningApplications::Application> RunningApplications::list(uid_t user, const std::string& locale) const
{
    const ProcessTable table(m_places.procRoot);
    // One instance per control group of an application; an application that only says so
    // in its environment is an instance of its own.
    std::map<std::string, Application> instances;
    std::map<std::string, std::pair<std::string, std::optional<DesktopEntry>>> entries;
    std::map<std::pair<pid_t, uint64_t>, Known> seen;
    for (const ProcessTable::Process& process : table.list(user)) {
        const std::pair<pid_t, uint64_t> self{process.pid, process.startTime};
        std::optional<Known> cached;
        {
            std::lock_guard guard(m_lock);
            if (const auto at = m_known.find(self); at != m_known.end())
                cached = at->second;
        }
        const Known known = cached ? *cached : identify(table, process);
        seen.emplace(self, known);
        if (known.key.empty())
            continue;
        const std::string& key = known.key;
        const std::optional<std::string> id = known.id;
        auto [it, fresh] = instances.try_emplace(key);
        Application& app = it->second;
        if (fresh || process.startTime < app.startTime) {
            app.pid = process.pid;
            app.startTime = process.startTime;
            app.uid = process.uid;
            app.desktopId = *id + ".desktop";
        }
        app.cpuTicks += process.cpuTicks;
        app.rssPages += process.rssPages;
        app.members.push_back(process);
    }

    {
        std::lock_guard guard(m_lock);
        m_known = std::move(seen); // processes that ended are forgotten
    }

    std::vector<Application> out;
    for (auto& [key, app] : instances) {
        auto known = entries.find(app.desktopId);
        if (known == entries.end()) {
            std::optional<DesktopEntry> entry;
            std::string path = entryFor(app.desktopId).value_or(std::string());
            if (!path.empty())
                entry = DesktopEntry::read(path);
            known = entries.emplace(app.desktopId, std::make_pair(std::move(path), std::move(entry))).first;
        }
        const std::optional<DesktopEntry>& entry = known->second.second;
        // What a dock would show: an application with an entry that is not hidden.
        if (!entry || entry->type() != "Application" || entry->noDisplay())
            continue;
        app.entryPath = known->second.first;
        app.name = entry->name(locale).value_or(app.desktopId);
        app.icon = entry->icon().value_or(std::string());
        app.categories = entry->list("Categories");
        out.push_back(std::move(app));
    }
    std::sort(out.begin(), out.end(), [](const Application& a, const Application& b) { return a.pid < b.pid; });
    return out;
}

} // namespace corvane
