// SPDX-License-Identifier: GPL-3.0-or-later
#pragma once

#include <QVariantMap>

#include <string>
#include <vector>

namespace corvane {

class Layout;

// The jobs of the user's own domain, as job dictionaries with the keys the login-item
// logic reads: "Label" (text), "OnDemand" (boolean), "Program" (text).
//
// Linux layout: the user's autostart entries (Label = the entry's id, the file name
// without ".desktop"; started at login, so OnDemand false; entries marked Hidden=true
// are switched off and not listed) and the user's own systemd units (Label = unit
// name; sockets, paths and timers start their service on demand).
// macOS-style layout: the property lists in ~/Library/LaunchAgents with their own
// "Label" and "OnDemand".
class UserJobs
{
public:
    static std::vector<QVariantMap> allJobDictionaries(const Layout& layout);
};

} // namespace corvane
