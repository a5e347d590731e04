// SPDX-License-Identifier: GPL-3.0-or-later
#include "companion/engine/SignalWatcher.h"
#include "companion/engine/SingleInstance.h"
#include "companion/ui/CompanionAppDelegate.h"
#include "platform/Layout.h"
#include "toolkit/Localization.h"

#include <QApplication>
#include <QLocale>
#include <QTimer>

#include <csignal>

int main(int argc, char** argv)
{
    QApplication app(argc, argv);
    QApplication::setApplicationName(QStringLiteral("CorvaneXPC"));
    QApplication::setOrganizationName(QStringLiteral("Corvane"));
    // It has no window; closing a window it shows later must not end it.
    QApplication::setQuitOnLastWindowClosed(false);

    // One companion per user: a second start (login plus the main program) leaves quietly.
    corvane::SingleInstance instance(corvane::SingleInstance::companionLockPath(corvane::Layout::current()));
    if (!instance.tryAcquire())
        return 0;

    corvane::Localization::install(QLocale::system().uiLanguages());

    corvane::SignalWatcher watcher;
    QObject::connect(&watcher, &corvane::SignalWatcher::received, &app, [](int) { QCoreApplication::quit(); });
    watcher.watch({SIGTERM, SIGINT, SIGHUP});

    corvane::companion::AppDelegate delegate;
    // The update service is published only while this lock is held.
    delegate.setSingleInstance(&instance);
    QTimer::singleShot(0, &delegate, [&delegate] { delegate.applicationDidFinishLaunching(); });
    const int status = QApplication::exec();
    delegate.applicationWillTerminate();
    return status;
}
