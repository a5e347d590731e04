// SPDX-License-Identifier: GPL-3.0-or-later
#pragma once

#include "shell/WebServiceDelegate.h"

#include <QByteArray>
#include <QString>

#include <functional>
#include <memory>

class QWidget;

namespace corvane {

// What the main program asks of the web: the install-welcome request, the update check
// and the update windows. The program's main() chooses the implementation and hands it to
// AppDelegate; NoWebServices answers nothing.
//
// A started request reports to the WebServiceDelegate it was given, on the main thread,
// and lives as long as the handle it returned is kept (the delegate keeps it as post1 or
// post2 until the request reports), so a request never outlives its delegate.
class WebServices
{
public:
    // Starts a request on the main thread; returns the handle that keeps it alive.
    using RequestStart = std::function<std::shared_ptr<void>(WebServiceDelegate& delegate)>;
    // Runs on a pool thread. It holds and reads only values copied into it when it was
    // made, never an object of the main thread; its result is run on the main thread.
    using RequestPreparation = std::function<RequestStart()>;

    virtual ~WebServices() = default;

    // The install-welcome request, made on the main thread and prepared on a pool thread;
    // empty when there is none to send.
    virtual RequestPreparation welcomeRequest() = 0;
    // Starts the update check for the installed version; empty when none was started.
    virtual std::shared_ptr<void> startUpdateCheck(const QString& installedVersion, WebServiceDelegate& delegate) = 0;
    // The version rule on the update check's reply: true when it offers a newer version.
    virtual bool updateExists(const QByteArray& reply) = 0;
    // Whether the update windows exist; the update command is disabled without them.
    virtual bool hasUpdateWindows() const = 0;
    // Runs IsUpdateWindowController application-modally.
    virtual void runIsUpdateWindow(QWidget* parent) = 0;
    // Runs UpdateWindowController application-modally.
    virtual void runUpdateWindow(QWidget* parent) = 0;
};

} // namespace corvane
