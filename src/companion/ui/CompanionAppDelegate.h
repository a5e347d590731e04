// SPDX-License-Identifier: GPL-3.0-or-later
#pragma once

// The update service
#include "companion/engine/CompanionService.h"

#include <QObject>

// The update service
#include <memory>

namespace corvane {
// The update service
class SingleInstance;
class UpdateInstallation;
} // namespace corvane

namespace corvane::companion {

// The companion's application delegate: it runs for the whole session without a window
// of its own. The Trash watcher, the update installation and the leftover window hang
// off applicationDidFinishLaunching as they arrive.
class AppDelegate : public QObject
{
    Q_OBJECT
public:
    explicit AppDelegate(QObject* parent = nullptr);
    ~AppDelegate() override;

    void applicationDidFinishLaunching();
    void applicationWillTerminate();
    bool isRunning() const { return m_running; }

    // The update service
    // The lock that makes this companion the user's only one; the service is published,
    // and a killed installation's leftovers removed, only while it is held.
    void setSingleInstance(SingleInstance* instance) { m_instance = instance; }
    // Publishes "connectionName" in the user's private runtime folder.
    void threadMain();
    // Installs the update waiting in Documents; `reply` answers the main program.
    void test(CompanionService::Reply reply);

private:
    bool m_running = false;

    // The update service
    void updateInstalled();
    SingleInstance* m_instance = nullptr;
    std::unique_ptr<CompanionService> m_service;
    UpdateInstallation* m_installation = nullptr;
};

} // namespace corvane::companion
