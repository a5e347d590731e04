// SPDX-License-Identifier: GPL-3.0-or-later
#pragma once

#include "platform/Bundle.h"
#include "shell/ShellEnvironment.h"
#include "shell/SidebarModel.h"
#include "shell/WebServiceDelegate.h"

#include <QObject>
#include <QString>

#include <memory>
#include <optional>
#include <vector>

class QAction;
class QPushButton;
class QToolButton;
class QTreeWidget;

namespace corvane {

class LaunchSequence;
class MainWindow;
class SelectView;
class TitleBarWindow;
class WebServices;

// The main program's controller. It puts together the main window, the launch sequence
// and the web services it is given, answers the window's commands, and reports on the
// machine (model, helper, companion login item) for the launch.
class AppDelegate : public QObject, public WebServiceDelegate
{
    Q_OBJECT
public:
    using Environment = ShellEnvironment;

    // `webServices` is not owned and must outlive the delegate.
    AppDelegate(Environment environment, WebServices& webServices, QObject* parent = nullptr);
    ~AppDelegate() override;

    // The launch sequence. False when the location check failed and the program is ending.
    bool applicationDidFinishLaunching();
    bool applicationShouldHandleReopen(bool hasVisibleWindows);
    void applicationWillTerminate() {}

    // Menu commands.
    void aboutCorvane();
    void updateApp();
    void quitCorvane();
    void openHome();
    void openFaceBook();
    void openTwitter();

    // Sidebar.
    void isExpandAndCospall(QPushButton* sender);
    void selectImage(const ChildNode& node);
    void cleanSubView();
    void outlineViewSelectionDidChange();

    QString hardwareModel();
    bool creatFile();
    bool addHelper();
    bool removeHelper();
    std::optional<BundleInfo> loginItemAppBundle();
    bool startAtLogin(const QString& label);
    bool setAppInLoginItems(bool enabled);

    // The two launch requests report here.
    void webServiceFinish(RequestTag sender, const QByteArray& data) override;
    void webServiceFail(RequestTag sender, const QString& error) override;
    // Keeps a started request alive (as post1 or post2) until it reports.
    void keepRequest(RequestTag request, std::shared_ptr<void> handle);

    // For the screens' owners and the tests.
    TitleBarWindow* window() const;
    QTreeWidget* myOutlineView() const;
    SelectView* rightBackView() const;
    QWidget* titleBarView() const;
    const std::vector<SidebarGroup>& listArray() const;
    // The screen kept for a pindex (null until first shown or outside 1 to 10).
    QWidget* screenForPindex(int pindex) const;
    QAction* aboutItem() const;
    QAction* updateItem() const;
    QAction* quitItem() const;
    QToolButton* twitterOrQQ() const;
    bool welcomeRequested() const;
    QString shortVersion();
    // The bundle's short version, else the one the program was built as.
    static QString shortVersionOf(const Environment& environment);

private:
    Environment m_env;
    WebServices& m_web;

    std::shared_ptr<void> post1; // the welcome request while it runs
    std::shared_ptr<void> post2; // the update check while it runs

    std::unique_ptr<MainWindow> m_window;
    std::unique_ptr<LaunchSequence> m_launch;

    std::optional<QString> m_model;
    std::optional<std::optional<BundleInfo>> m_loginItemBundle;
};

} // namespace corvane
