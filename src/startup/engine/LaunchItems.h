// SPDX-License-Identifier: GPL-3.0-or-later
#pragma once

#include "startup/engine/LoginItemList.h"
#include "startup/engine/ServiceManager.h"

#include <QVariantMap>

#include <atomic>
#include <memory>
#include <string>
#include <vector>

namespace corvane {

class Layout;

// What starts without the user asking, and switching it off: the session's login items,
// and the service manager's jobs of the machine and of the user that other software
// installed. The platform's own jobs, per-process job instances and this program's own
// jobs are never listed.
class LaunchItems
{
public:
    // The manager of the layout the program runs with; thread-safe.
    static LaunchItems& manager();

    LaunchItems(const Layout& layout, std::shared_ptr<ServiceManager> services, std::unique_ptr<LoginItemList> logins);

    const Layout& layout() const { return m_layout; }

    // Set by each removeLaunchService: whether the job was one of the machine's.
    bool isSystemType() const { return m_isSystemType; }

    std::vector<std::string> getLoginItems() const;
    std::vector<LoginItemList::Entry> loginItems() const { return m_logins->items(); }
    bool addLoginItem(const std::string& path);
    // Every login item at the path or inside it (a folder, an application bundle).
    bool removeLoginItem(const std::string& path);

    // The machine's jobs, then the user's, through the filters in order; each dictionary
    // also carries "Domain" ("system" or "user").
    std::vector<QVariantMap> launchServices() const;
    // Per-process and per-application job instances, which the system makes for what runs.
    static bool isRunningService(const std::string& label);
    // The platform's own job programs.
    static bool isSystemService(const std::string& program);
    // The job's program: "Program", else the first of "ProgramArguments".
    static std::string programOf(const QVariantMap& job);

    // Switches the job off in the domain it is found in (the machine's first) and deletes
    // its file; true when the switching off succeeded.
    bool removeLaunchService(const std::string& label);
    // The same in the domain the row came from; a job of the same label in the other
    // domain is never touched.
    bool removeLaunchService(const std::string& label, ServiceManager::Domain domain);
    void deletePlistFile(const std::string& label);
    // Deletes the job's file below the folder when exactly one is found there; nothing
    // when none or several are. Only regular files: a link (a mask, an alias) stays,
    // and nothing under /usr is ever deleted.
    void deletePlist(const std::string& label, const std::string& folder);
    // The job file's name for a label: "<label>.plist" on the macOS-style layout, the unit
    // name itself on Linux.
    std::string fileNameFor(const std::string& label) const;
    // The five folders, in the order they are searched.
    std::vector<std::string> jobFolders() const;

private:
    const Layout& m_layout;
    std::shared_ptr<ServiceManager> m_services;
    std::unique_ptr<LoginItemList> m_logins;
    std::atomic<bool> m_isSystemType{false};
};

} // namespace corvane
