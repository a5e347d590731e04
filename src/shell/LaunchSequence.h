// SPDX-License-Identifier: GPL-3.0-or-later
#pragma once

#include "shell/WebServices.h"

#include <QFutureWatcher>
#include <QObject>
#include <QString>

namespace corvane {

class AppDelegate;
class MainWindow;
struct ShellEnvironment;

// The main program's launch, one step per member, run in order by run(). The steps use
// the delegate's operations (helper, login item, model name) and dress its window.
class LaunchSequence : public QObject
{
    Q_OBJECT
public:
    LaunchSequence(AppDelegate& delegate, MainWindow& window, const ShellEnvironment& environment,
                   WebServices& webServices);

    // False when the location check failed and the program is ending.
    bool run();

    // True once the install-welcome request has been sent off for preparation.
    bool welcomeRequested() const { return m_welcomeRequested; }

private:
    // 1. Outside an applications folder: warn, end the program, and stop here.
    bool checkLocation();
    // 2.
    void setMenuTitles();
    // 3. While the first-run marker is missing: the welcome request is prepared on the
    // pool from copied values and started back on the main thread.
    void sendWelcomeRequest();
    // 4.
    void installHelper();
    // 5. The companion starts at login unless its job is started on demand.
    void registerCompanion();
    // 6.
    void installTitleBar();
    // 7.
    QString readModelName();
    // 8. Four groups, the first named after the model; every group open.
    void buildSidebar(const QString& modelName);
    // 9.
    void showJunkScreen();
    // 10.
    void sendUpdateCheck();
    // 11. The social button becomes the chat-group button for Chinese.
    void showChatGroupButton();
    // 12.
    void bringWindowToFront();

    void startPreparedWelcome();

    AppDelegate& m_delegate;
    MainWindow& m_window;
    const ShellEnvironment& m_env;
    WebServices& m_web;
    bool m_welcomeRequested = false;
    // Receives the prepared welcome request on the main thread; gone with the sequence,
    // so a preparation that ends after the delegate starts nothing.
    QFutureWatcher<WebServices::RequestStart> m_preparedWelcome;
};

} // namespace corvane
