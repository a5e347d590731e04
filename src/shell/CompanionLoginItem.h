// SPDX-License-Identifier: GPL-3.0-or-later
#pragma once

#include "platform/Bundle.h"

#include <QStringList>

#include <functional>

namespace corvane {

class Layout;

// The companion as a login item: its autostart entry, named after its bundle identifier,
// in the user's autostart folder.
class CompanionLoginItem
{
public:
    using Launcher = std::function<bool(const QString& program, const QStringList& arguments)>;

    // Enabling writes the entry and starts the companion now, as registering a login item
    // does (a second companion sees the first and leaves at once); disabling removes the
    // entry. False when the companion's bundle is unusable or the entry could not be
    // written or removed.
    static bool setEnabled(bool enabled, const BundleInfo& companion, const Layout& layout, const Launcher& launcher);
    static std::string entryPath(const BundleInfo& companion, const Layout& layout);
};

} // namespace corvane
