// SPDX-License-Identifier: GPL-3.0-or-later
#include "companion/ui/CompanionAppDelegate.h"

#include "companion/engine/SingleInstance.h"
#include "companion/engine/UpdateInstallation.h"
#include "companion/engine/UpdateInstaller.h"
#include "companion/ui/TrashedApplications.h"
#include "platform/Layout.h"
#include "platform/LogCategories.h"
#include "platform/RuntimeFolder.h"

#include <QCoreApplication>
#include <QTimer>

namespace corvane::companion {

AppDelegate::AppDelegate(QObject* parent) : QObject(parent) {}

AppDelegate::~AppDelegate() = default;

void AppDelegate::applicationDidFinishLaunching()
{
    m_running = true;
    trashWatcher()->start();
    threadMain();
}

void AppDelegate::applicationWillTerminate()
{
    m_running = false;
}

// The Trash watcher

DirectoryWatcher* AppDelegate::trashWatcher()
{
    if (!m_watcher) {
        const auto trash = Layout::current().path(Layout::Role::Trash);
        m_watcher = new DirectoryWatcher(trash.value_or(std::string()), this);
        m_watcher->setDelegate(this);
    }
    return m_watcher;
}

void AppDelegate::directoryWatcherItemsWereAdded(DirectoryWatcher*, const std::vector<std::string>& paths)
{
    // On the next turn of the loop, not inside the watcher's report.
    QTimer::singleShot(0, this, [this, paths] { processItems(paths); });
}

void AppDelegate::processItems(const std::vector<std::string>& paths)
{
    trashedApplications()->processItems(paths);
}

TrashedApplications* AppDelegate::trashedApplications()
{
    if (!m_trashed) {
        m_trashed = new TrashedApplications(Layout::current(), this, this);
        // The program is gone and the companion with it.
        connect(m_trashed, &TrashedApplications::ownRemovalFinished, QCoreApplication::instance(),
                &QCoreApplication::quit, Qt::QueuedConnection);
    }
    return m_trashed;
}

void AppDelegate::webServiceBegin(QSWebService*) {}

void AppDelegate::webServiceFail(QSWebService*, const WebError& error)
{
    qCInfo(lcCompanion).noquote() << QStringLiteral("error:%1").arg(error.domain);
}

// The update service

void AppDelegate::threadMain()
{
    if (m_service || !m_instance || !m_instance->isHeld())
        return;
    const Layout& layout = Layout::current();
    const UpdateInstaller::Places places = UpdateInstaller::places(layout);
    UpdateInstaller::removeLeftovers(places.applications);
    m_installation = new UpdateInstallation(UpdateInstaller(places), this);
    connect(m_installation, &UpdateInstallation::installed, this, &AppDelegate::updateInstalled);
    const auto folder = RuntimeFolder::privateFolder(layout);
    if (!folder) {
        qCWarning(lcCompanion, "no private runtime folder: updates cannot be handed over");
        return;
    }
    m_service = std::make_unique<CompanionService>(*folder, *m_instance);
    m_service->setHandler([this](CompanionService::Reply reply) { test(std::move(reply)); });
    if (!m_service->listen())
        qCWarning(lcCompanion, "the update service could not be published");
}

void AppDelegate::test(CompanionService::Reply reply)
{
    if (!m_installation) {
        reply("refused not ready\n");
        return;
    }
    m_installation->test(std::move(reply));
}

void AppDelegate::updateInstalled()
{
    // Let go first: the new program starts a new companion, which this one's lock or
    // socket would otherwise turn away.
    if (m_service)
        m_service->close();
    if (m_instance)
        m_instance->release();
    if (!m_installation->installer().launch())
        qCWarning(lcCompanion, "the new program could not be started");
    QCoreApplication::exit(0);
}

} // namespace corvane::companion
