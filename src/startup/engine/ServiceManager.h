// SPDX-License-Identifier: GPL-3.0-or-later
#pragma once

#include <QVariantMap>

#include <memory>
#include <string>
#include <vector>

namespace corvane {

class Layout;

// The jobs a service manager starts without being asked, in the machine's domain and in
// the user's, as job dictionaries with the keys the startup list reads: "Label", and
// "Program" or "ProgramArguments".
class ServiceManager
{
public:
    enum class Domain { System, User };

    virtual ~ServiceManager() = default;

    // Every job of the domain; an empty list when the manager cannot be reached.
    virtual std::vector<QVariantMap> allJobDictionaries(Domain domain) const = 0;
    virtual bool hasJob(Domain domain, const std::string& label) const = 0;
    // Switches a job of the user's domain off and stops it, waiting for it to stop. False
    // when any step failed.
    virtual bool removeUserJob(const std::string& label) = 0;

    // The manager of this layout: systemd's system and user managers on Linux, the
    // property lists of the launch folders on the macOS-style layout.
    static std::shared_ptr<ServiceManager> forLayout(const Layout& layout);
};

} // namespace corvane
