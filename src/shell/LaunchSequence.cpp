// SPDX-License-Identifier: GPL-3.0-or-later
#include "shell/LaunchSequence.h"

#include "common/Dispatch.h"
#include "common/AppConfig.h"
#include "shell/AppDelegate.h"
#include "shell/LaunchRules.h"
#include "shell/MainWindow.h"
#include "shell/ShellEnvironment.h"
#include "shell/SidebarModel.h"

#include <QPromise>

#include <memory>

namespace corvane {

LaunchSequence::LaunchSequence(AppDelegate& delegate, MainWindow& window, const ShellEnvironment& environment,
                               WebServices& webServices)
    : m_delegate(delegate)
    , m_window(window)
    , m_env(environment)
    , m_web(webServices)
{
    connect(&m_preparedWelcome, &QFutureWatcherBase::finished, this, &LaunchSequence::startPreparedWelcome);
}

bool LaunchSequence::run()
{
    if (!checkLocation())
        return false;
    setMenuTitles();
    sendWelcomeRequest();
    installHelper();
    registerCompanion();
    installTitleBar();
    buildSidebar(readModelName());
    showJunkScreen();
    sendUpdateCheck();
    showChatGroupButton();
    bringWindowToFront();
    return true;
}

bool LaunchSequence::checkLocation()
{
    if (LaunchRules::passesLocationCheck(m_env.bundlePath, m_env.buildTree))
        return true;
    if (m_env.alert)
        m_env.alert(tr("本程序必须放在/Applications文件夹中执行"));
    if (m_env.runCommand)
        m_env.runCommand(AppConfig::kQuitCommand);
    // killall may find nothing to end (another process name, tool missing): end anyway.
    if (m_env.terminate)
        m_env.terminate();
    return false;
}

void LaunchSequence::setMenuTitles()
{
    m_window.setMenuTitles(m_web.hasUpdateWindows());
}

void LaunchSequence::sendWelcomeRequest()
{
    if (!LaunchRules::welcomeDue(m_env.home))
        return;
    WebServices::RequestPreparation prepare = m_web.welcomeRequest();
    if (!prepare)
        return;
    m_welcomeRequested = true;
    // The pool holds only the preparation (its own copies) and the promise; the result
    // comes back through the watcher, a queued call on the main thread.
    auto promise = std::make_shared<QPromise<WebServices::RequestStart>>();
    m_preparedWelcome.setFuture(promise->future());
    Dispatch::global([promise, prepare = std::move(prepare)] {
        promise->start();
        promise->addResult(prepare());
        promise->finish();
    });
}

void LaunchSequence::startPreparedWelcome()
{
    const QFuture<WebServices::RequestStart> future = m_preparedWelcome.future();
    if (future.resultCount() == 0)
        return;
    if (const WebServices::RequestStart start = future.result())
        m_delegate.keepRequest(WebServiceDelegate::RequestTag::Welcome, start(m_delegate));
}

void LaunchSequence::installHelper()
{
    m_delegate.addHelper();
}

void LaunchSequence::registerCompanion()
{
    if (auto companion = m_delegate.loginItemAppBundle())
        m_delegate.setAppInLoginItems(!m_delegate.startAtLogin(companion->identifier));
}

void LaunchSequence::installTitleBar()
{
    m_window.installTitleBarView();
}

QString LaunchSequence::readModelName()
{
    return m_delegate.hardwareModel();
}

void LaunchSequence::buildSidebar(const QString& modelName)
{
    m_window.setListArray(SidebarModel::build(modelName));
}

void LaunchSequence::showJunkScreen()
{
    m_window.showJunkScreen();
}

void LaunchSequence::sendUpdateCheck()
{
    m_delegate.keepRequest(WebServiceDelegate::RequestTag::UpdateCheck,
                           m_web.startUpdateCheck(m_delegate.shortVersion(), m_delegate));
}

void LaunchSequence::showChatGroupButton()
{
    if (LaunchRules::prefersChinese(m_env.languages))
        m_window.showChatGroupButton();
}

void LaunchSequence::bringWindowToFront()
{
    m_window.bringToFront();
}

} // namespace corvane
