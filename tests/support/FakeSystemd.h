// SPDX-License-Identifier: GPL-3.0-or-later
#pragma once

#include <memory>
#include <string>
#include <vector>

namespace corvane::test {

// A service manager on a test bus, answering from a thread of its own through QtDBus the
// way systemd does: the unit files it was given (ListUnitFiles, ListUnitFilesByPatterns,
// GetUnitFileState),
// their units' objects and properties (LoadUnit, GetUnit, Properties.Get), and switching
// a unit off (DisableUnitFiles, Reload, Subscribe, StopUnit with its job and JobRemoved).
// Every call to the manager itself is written down.
class FakeSystemd
{
public:
    struct Unit
    {
        std::string name{};
        // As ListUnitFiles reports it; "static" for a unit that has a file but no
        // [Install] section, like the service a timer starts.
        std::string fileState = "enabled";
        std::string filePath{};          // "/etc/systemd/user/<name>" when empty
        std::vector<std::string> argv{}; // a service's first ExecStart command line
        std::string execPath{};          // that line's path; argv[0] when empty
        std::string triggers{};          // what a timer, path or socket starts
        bool garbledExecStart = false;   // ExecStart as a text, not a list of commands
        // Enabled by the administrator for every user: the user's manager cannot disable it.
        bool enabledForEveryone = false;
    };

    // How the manager ends the stop jobs it is asked for.
    enum class StopJobs {
        Done,   // after a moment, JobRemoved with "done"
        Failed, // after a moment, JobRemoved with "failed"
        Unseen, // the unit stops and the job goes away without a signal
        Never,  // the job stays
    };

    explicit FakeSystemd(const std::string& busAddress);
    ~FakeSystemd();
    FakeSystemd(const FakeSystemd&) = delete;
    FakeSystemd& operator=(const FakeSystemd&) = delete;

    // False when it could not connect or take its name.
    bool ready() const;

    void add(Unit unit);
    // That manager method answers with an error from now on.
    void refuse(const std::string& member);
    void endStopJobs(StopJobs how);

    // The manager methods called so far, as "Member(arguments)".
    std::vector<std::string> calls() const;

    struct State;

private:
    std::shared_ptr<State> m_state;
    struct Server;
    std::unique_ptr<Server> m_server;
};

} // namespace corvane::test
