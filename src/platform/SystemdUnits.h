// SPDX-License-Identifier: GPL-3.0-or-later
#pragma once

#include <QDBusConnection>

#include <chrono>
#include <optional>
#include <string>
#include <vector>

namespace corvane {

// The unit files of a service manager (the machine's or the user's own) as the manager
// itself reports them over D-Bus: which are switched on, what program each one starts,
// and, for the user's own, switching one off.
//
// Every call blocks the calling thread until the manager answers (a worker's thread,
// normally); disable() runs a local event loop there while it waits for the stop job.
// Several queries are sent together and then awaited, so listing a hundred units costs a
// few round trips rather than a hundred.
class SystemdUnits
{
public:
    enum class Domain { System, User };

    struct UnitFile
    {
        std::string name;  // "foo.service", "bar.timer"
        std::string path;  // the unit file's path as the manager reports it (an alias is its link)
        std::string state; // "enabled" or "enabled-runtime"
        // The argv of the first ExecStart entry, argv[0] first; for a timer, socket or path
        // unit that of the service it starts; empty when that cannot be told.
        std::vector<std::string> program;
    };

    // The system bus for the machine's manager, the session bus for the user's.
    explicit SystemdUnits(Domain domain);
    SystemdUnits(Domain domain, const QDBusConnection& connection);

    // Enabled and enabled-runtime unit files of services, timers, sockets and paths, by
    // name; nothing when the manager cannot be reached or its list cannot be read.
    // Masked, disabled, static and alias entries are not switched on and not listed.
    std::optional<std::vector<UnitFile>> enabledUnitFiles() const;

    // Whether the manager knows a unit of this name (it loads, and is not "not-found").
    bool hasUnit(const std::string& name) const;

    // The user's domain only: the unit file disabled (its runtime links too, for an
    // enabled-runtime unit), the manager reloaded and the unit stopped, waiting up to
    // `wait` for the stop job to end. True only when every step succeeded, the unit file is
    // no longer enabled and the job ended "done" (or, where its end went unseen, the unit
    // is stopped). Stops at the first step that fails. A name that is not a unit name, and
    // any unit of the machine's manager (changed through the privileged helper), are
    // refused without a call.
    bool disable(const std::string& name, std::chrono::milliseconds wait = std::chrono::seconds(10)) const;

    // systemd's grammar (UnitNames::isValid) and nothing that reads as an option or a
    // hidden file: no leading '-' or '.'.
    static bool isValidUnitName(const std::string& name);

private:
    Domain m_domain;
    QDBusConnection m_connection;
};

} // namespace corvane
