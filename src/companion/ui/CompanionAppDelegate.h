// SPDX-License-Identifier: GPL-3.0-or-later
#pragma once

#include <QObject>

// The Trash watcher
#include "companion/engine/DirectoryWatcher.h"
#include "web/engine/QSWebService.h"

#include <string>
#include <vector>

namespace corvane {
// The Trash watcher
class TrashedApplications;
} // namespace corvane

namespace corvane::companion {

// The companion's application delegate: it runs for the whole session without a window
// of its own. The Trash watcher, the update installation and the leftover window hang
// off applicationDidFinishLaunching as they arrive.
class AppDelegate : public QObject,
                    // The Trash watcher
                    public DirectoryWatcherDelegate,
                    public QSWebServiceDelegate
{
    Q_OBJECT
public:
    explicit AppDelegate(QObject* parent = nullptr);

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

private:
    bool m_running = false;

    // The Trash watcher
    DirectoryWatcher* m_watcher = nullptr;
    TrashedApplications* m_trashed = nullptr;
};

} // namespace corvane::companion
