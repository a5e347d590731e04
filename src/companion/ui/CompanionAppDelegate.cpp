// SPDX-License-Identifier: GPL-3.0-or-later
#include "companion/ui/CompanionAppDelegate.h"

// The Trash watcher
#include "companion/ui/TrashedApplications.h"
#include "platform/Layout.h"
#include "platform/LogCategories.h"

#include <QCoreApplication>
#include <QTimer>

namespace corvane::companion {

AppDelegate::AppDelegate(QObject* parent)
    : QObject(parent)
{
}

void AppDelegate::applicationDidFinishLaunching()
{
    m_running = true;
    // The Trash watcher
    trashWatcher()->start();
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

} // namespace corvane::companion
