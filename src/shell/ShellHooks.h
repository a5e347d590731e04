// SPDX-License-Identifier: GPL-3.0-or-later
#pragma once

#include <QByteArray>

#include <functional>
#include <memory>

class QWidget;

namespace corvane {

class AppDelegate;

// Where the web room plugs its requests and windows into the launch sequence and the
// menus. While a hook is empty the step it stands for does nothing (and the update
// command is disabled), exactly as a failed request would behave.
//
// A request starter begins its request and returns the object that keeps it alive (kept
// as post1 or post2). When the request ends it reports to
// AppDelegate::webServiceFinish / webServiceFail with the matching RequestTag, on the
// main thread.
struct ShellHooks
{
    enum class RequestTag { Welcome, UpdateCheck };

    using RequestStarter = std::function<std::shared_ptr<void>(AppDelegate& delegate)>;

    // The install-welcome request; called from the global queue.
    RequestStarter startWelcomeRequest;
    // The update-check request; called on the main thread.
    RequestStarter startUpdateCheck;
    // The version rule on the update-check reply: true when it offers a newer version.
    std::function<bool(const QByteArray& reply)> updateExists;
    // Runs IsUpdateWindowController application-modally.
    std::function<void(QWidget* parent)> runIsUpdateWindow;
    // Runs UpdateWindowController application-modally.
    std::function<void(QWidget* parent)> runUpdateWindow;

    static ShellHooks& shared();
};

} // namespace corvane
