// SPDX-License-Identifier: GPL-3.0-or-later
#pragma once

#include "companion/engine/CompanionService.h"
#include "companion/engine/UpdateInstaller.h"

#include <QObject>

#include <memory>

namespace corvane {

class SerialQueue;

// Runs an UpdateInstaller for the service's "test" requests, one at a time: the reading,
// checking and unpacking, then the exchange, on a thread of its own, so the service keeps
// answering (and refuses a second request "busy") meanwhile. The client is answered once
// the staged update has passed every check, before its program is stopped.
class UpdateInstallation : public QObject
{
    Q_OBJECT
public:
    explicit UpdateInstallation(UpdateInstaller installer, QObject* parent = nullptr);
    ~UpdateInstallation() override; // waits for a step that is running

    void test(CompanionService::Reply reply);
    bool isBusy() const { return m_busy; }
    const UpdateInstaller& installer() const { return *m_installer; }

signals:
    // The new bundle is in place; the companion lets go of its lock and its socket,
    // starts the new program and leaves.
    void installed();
    // Nothing was installed; the old program stays (started again if it had been stopped).
    void failed(const QString& reason);

private:
    std::shared_ptr<const UpdateInstaller> m_installer;
    // A thread of its own rather than the pool: it ends with this object, and with it the
    // per-thread state the signature check leaves behind.
    std::unique_ptr<SerialQueue> m_queue;
    bool m_busy = false;
};

} // namespace corvane
