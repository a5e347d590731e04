// SPDX-License-Identifier: GPL-3.0-or-later
#include "shell/AppDelegate.h"

#include "common/AppConfig.h"
#include "platform/FileChecks.h"
#include "platform/HardwareModel.h"
#include "platform/Layout.h"
#include "shell/AboutCorvaneWindowController.h"
#include "shell/CompanionLoginItem.h"
#include "shell/HelperInstaller.h"
#include "shell/LaunchRules.h"
#include "shell/LaunchSequence.h"
#include "shell/MainWindow.h"
#include "shell/WebServices.h"

#include <QClipboard>
#include <QGuiApplication>
#include <QUrl>

#include <cerrno>
#include <fcntl.h>
#include <unistd.h>

namespace corvane {

AppDelegate::AppDelegate(Environment environment, WebServices& webServices, QObject* parent)
    : QObject(parent), m_env(std::move(environment)), m_web(webServices), m_window(std::make_unique<MainWindow>()),
      m_launch(std::make_unique<LaunchSequence>(*this, *m_window, m_env, m_web))
{
    connect(m_window.get(), &MainWindow::homeClicked, this, &AppDelegate::openHome);
    connect(m_window.get(), &MainWindow::faceBookClicked, this, &AppDelegate::openFaceBook);
    connect(m_window.get(), &MainWindow::twitterClicked, this, &AppDelegate::openTwitter);
    connect(m_window.get(), &MainWindow::aboutChosen, this, &AppDelegate::aboutCorvane);
    connect(m_window.get(), &MainWindow::updateChosen, this, &AppDelegate::updateApp);
    connect(m_window.get(), &MainWindow::quitChosen, this, &AppDelegate::quitCorvane);
}

AppDelegate::~AppDelegate() = default;

bool AppDelegate::applicationDidFinishLaunching()
{
    return m_launch->run();
}

bool AppDelegate::applicationShouldHandleReopen(bool)
{
    m_window->bringToFront();
    return true;
}

void AppDelegate::isExpandAndCospall(QPushButton* sender)
{
    m_window->toggleGroup(sender);
}

void AppDelegate::selectImage(const ChildNode& node)
{
    m_window->markChosenItem(node);
}

void AppDelegate::cleanSubView()
{
    m_window->removeScreens();
}

void AppDelegate::outlineViewSelectionDidChange()
{
    m_window->showChosenItem();
}

TitleBarWindow* AppDelegate::window() const
{
    return m_window.get();
}
QTreeWidget* AppDelegate::myOutlineView() const
{
    return m_window->myOutlineView();
}
SelectView* AppDelegate::rightBackView() const
{
    return m_window->rightBackView();
}
QWidget* AppDelegate::titleBarView() const
{
    return m_window->headerView();
}
const std::vector<SidebarGroup>& AppDelegate::listArray() const
{
    return m_window->listArray();
}
QWidget* AppDelegate::screenForPindex(int pindex) const
{
    return m_window->screenForPindex(pindex);
}
QAction* AppDelegate::aboutItem() const
{
    return m_window->aboutItem();
}
QAction* AppDelegate::updateItem() const
{
    return m_window->updateItem();
}
QAction* AppDelegate::quitItem() const
{
    return m_window->quitItem();
}
QToolButton* AppDelegate::twitterOrQQ() const
{
    return m_window->twitterOrQQ();
}
bool AppDelegate::welcomeRequested() const
{
    return m_launch->welcomeRequested();
}

QString AppDelegate::hardwareModel()
{
    if (!m_model)
        m_model = QString::fromLatin1(HardwareModel::read(m_env.sysRoot));
    return *m_model;
}

bool AppDelegate::creatFile()
{
    const std::string path = LaunchRules::markerPath(m_env.home);
    const int fd = ::open(path.c_str(), O_WRONLY | O_CREAT | O_EXCL | O_NOFOLLOW | O_CLOEXEC, 0644);
    if (fd >= 0) {
        ::close(fd);
        return true;
    }
    return errno == EEXIST;
}

bool AppDelegate::addHelper()
{
    return HelperInstaller(Layout::current(), m_env.bundlePath, m_env.startDetached).addHelper();
}

bool AppDelegate::removeHelper()
{
    return HelperInstaller(Layout::current(), m_env.bundlePath, m_env.startDetached).removeHelper();
}

std::optional<BundleInfo> AppDelegate::loginItemAppBundle()
{
    if (!m_loginItemBundle)
        m_loginItemBundle = Bundle::read(joinPath(m_env.bundlePath, AppConfig::kCompanionBundle));
    return *m_loginItemBundle;
}

bool AppDelegate::startAtLogin(const QString& label)
{
    if (label.isEmpty() || !m_env.userJobs)
        return false;
    return LaunchRules::startAtLogin(label, m_env.userJobs());
}

bool AppDelegate::setAppInLoginItems(bool enabled)
{
    auto companion = loginItemAppBundle();
    if (!companion)
        return false;
    return CompanionLoginItem::setEnabled(enabled, *companion, Layout::current(), m_env.startDetached);
}

void AppDelegate::keepRequest(RequestTag request, std::shared_ptr<void> handle)
{
    (request == RequestTag::Welcome ? post1 : post2) = std::move(handle);
}

void AppDelegate::webServiceFinish(RequestTag sender, const QByteArray& data)
{
    switch (sender) {
    case RequestTag::Welcome: {
        post1.reset();
        creatFile();
        const QString url = LaunchRules::welcomeUrlFromReply(data);
        if (!url.isEmpty() && m_env.openUrl)
            m_env.openUrl(QUrl(url));
        break;
    }
    case RequestTag::UpdateCheck: {
        post2.reset();
        if (m_web.updateExists(data))
            m_web.runIsUpdateWindow(m_window.get());
        break;
    }
    }
}

void AppDelegate::webServiceFail(RequestTag sender, const QString&)
{
    // A failed request is tried again at the next launch; nothing is shown.
    if (sender == RequestTag::Welcome)
        post1.reset();
    else
        post2.reset();
}

QString AppDelegate::shortVersion()
{
    return shortVersionOf(m_env);
}

QString AppDelegate::shortVersionOf(const Environment& environment)
{
    if (auto info = Bundle::read(environment.bundlePath); info && !info->shortVersion.isEmpty())
        return info->shortVersion;
    return environment.shortVersion;
}

void AppDelegate::aboutCorvane()
{
    AboutCorvaneWindowController about(shortVersion(), m_window.get());
    about.exec();
}

void AppDelegate::updateApp()
{
    m_web.runUpdateWindow(m_window.get());
}

void AppDelegate::quitCorvane()
{
    if (m_env.runCommand)
        m_env.runCommand(AppConfig::kQuitCommand);
    if (m_env.terminate)
        m_env.terminate();
}

void AppDelegate::openHome()
{
    if (m_env.openUrl)
        m_env.openUrl(QUrl(AppConfig::homePage()));
}

void AppDelegate::openFaceBook()
{
    if (m_env.openUrl)
        m_env.openUrl(QUrl(AppConfig::socialPage()));
}

void AppDelegate::openTwitter()
{
    if (!LaunchRules::prefersChinese(m_env.languages)) {
        if (m_env.openUrl)
            m_env.openUrl(QUrl(AppConfig::secondSocialPage()));
        return;
    }
    if (QClipboard* clipboard = QGuiApplication::clipboard()) {
        clipboard->clear();
        clipboard->setText(AppConfig::chatGroupNumber());
    }
    if (m_env.alert)
        m_env.alert(tr("QQ群号%1已复制到剪贴板，欢迎加入我们的QQ群！").arg(AppConfig::chatGroupNumber()));
    if (m_env.openUrl)
        m_env.openUrl(QUrl(AppConfig::chatGroupJoinLink()));
}

} // namespace corvane
