// SPDX-License-Identifier: GPL-3.0-or-later
#pragma once

#include "companion/engine/CompanionService.h"
#include "companion/engine/DirectoryWatcher.h"
#include "web/engine/QSWebService.h"

#include <QObject>

#include <memory>
#include <string>
#include <vector>

namespace corvane {
class SingleInstance;
class TrashedApplications;
class UpdateInstallation;
} // namespace corvane

namespace corvane::companion {

// The companion's application delegate. It runs for the whole session without a window
// of its own, watches the Trash, offers leftover removal, and installs the updates the
// main program hands over.
class AppDelegate : public QObject,
                    // The Trash watcher
                    public DirectoryWatcherDelegate,
                    public QSWebServiceDelegate
{
    Q_OBJECT
public:
    explicit AppDelegate(QObject* parent = nullptr);
    ~AppDelegate() override;

    void applicationDidFinishLaunching();
    void applicationWillTerminate();
    bool isRunning() const { return m_running; }

    // The Trash watcher
    // Made on first use, on the layout's Trash folder, and kept for the life of the process.
    DirectoryWatcher* trashWatcher();
    void directoryWatcherItemsWereAdded(DirectoryWatcher* watcher, const std::vector<std::string>& paths) override;
    void processItems(const std::vector<std::string>& paths);
    TrashedApplications* trashedApplications();
    void webServiceBegin(QSWebService* service) override;
    void webServiceFail(QSWebService* service, const WebError& error) override;
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

    // The Trash watcher
    DirectoryWatcher* m_watcher = nullptr;
    TrashedApplications* m_trashed = nullptr;
    // The update service
    void updateInstalled();
    SingleInstance* m_instance = nullptr;
    std::unique_ptr<CompanionService> m_service;
    UpdateInstallation* m_installation = nullptr;
};

} // namespace corvane::companion
