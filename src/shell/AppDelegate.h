// SPDX-License-Identifier: GPL-3.0-or-later
#pragma once

#include "platform/Bundle.h"
#include "shell/ShellHooks.h"
#include "shell/SidebarModel.h"

#include <QObject>
#include <QPointer>
#include <QStringList>
#include <QUrl>
#include <QVariantMap>

#include <functional>
#include <memory>
#include <optional>
#include <string>
#include <vector>

class QAction;
class QMenu;
class QPushButton;
class QToolButton;
class QTreeWidget;
class QTreeWidgetItem;

namespace corvane {

class SelectView;
class TitleBarWindow;

// The main program's controller: the launch sequence, the main window with its sidebar
// and content area, and the menu commands. It creates each feature screen the first time
// its sidebar item is chosen and keeps it for the life of the process.
class AppDelegate : public QObject
{
    Q_OBJECT
public:
    // What the controller takes from the machine. The defaults are the real ones; tests
    // replace them at this edge.
    struct Environment
    {
        std::string bundlePath;   // the main bundle
        std::string buildTree;    // a bundle inside this folder is a development build
        std::string home;         // where the first-run marker lives
        std::string sysRoot = "/";
        QStringList languages;    // preferred languages, most preferred first
        QString shortVersion;     // when the bundle has none (not run from a bundle)
        std::function<void(const std::string& command)> runCommand;
        std::function<void(const QString& message)> alert; // modal
        std::function<bool(const QUrl& url)> openUrl;
        std::function<bool(const QString& program, const QStringList& arguments)> startDetached;
        std::function<std::vector<QVariantMap>()> userJobs;
        std::function<void()> terminate; // the normal end of the program

        static Environment system();
    };

    explicit AppDelegate(Environment environment = Environment::system(), QObject* parent = nullptr);
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

    // The two requests report here (see ShellHooks).
    void webServiceFinish(ShellHooks::RequestTag sender, const QByteArray& data);
    void webServiceFail(ShellHooks::RequestTag sender, const QString& error);

    // For the screens' owners and the tests.
    TitleBarWindow* window() const { return m_window; }
    QTreeWidget* myOutlineView() const { return m_outline; }
    SelectView* rightBackView() const { return m_rightBackView; }
    QWidget* titleBarView() const { return m_titleBarView; }
    const std::vector<SidebarGroup>& listArray() const { return m_listArray; }
    // The screen kept for a pindex (null until first shown or outside 1 to 10).
    QWidget* screenForPindex(int pindex) const;
    QAction* aboutItem() const { return m_aboutItem; }
    QAction* updateItem() const { return m_updateItem; }
    QAction* quitItem() const { return m_quitItem; }
    QToolButton* twitterOrQQ() const { return m_twitterOrQQ; }
    bool welcomeRequested() const { return m_welcomeRequested; }
    QString shortVersion();

private:
    void buildWindow();
    void setMenuTitles();
    void reloadOutline();
    void refreshCells();
    QPointer<QWidget>* screenField(int pindex);
    void showScreen(int pindex);

    Environment m_env;
    TitleBarWindow* m_window = nullptr;
    QWidget* m_titleBarView = nullptr;
    QTreeWidget* m_outline = nullptr;
    SelectView* m_rightBackView = nullptr;
    std::vector<SidebarGroup> m_listArray;

    QPointer<QWidget> cleanView, loginItem, popViewController, systemPerView, uninstallView, plugView,
        configView, dupView, largeView, hardWare;

    std::shared_ptr<void> post1; // the welcome request while it runs
    std::shared_ptr<void> post2; // the update check while it runs
    bool m_welcomeRequested = false;

    QMenu* m_menu = nullptr;
    QAction* m_aboutItem = nullptr;
    QAction* m_updateItem = nullptr;
    QAction* m_quitItem = nullptr;
    QToolButton* m_twitterOrQQ = nullptr;

    std::optional<QString> m_model;
    std::optional<std::optional<BundleInfo>> m_loginItemBundle;
};

} // namespace corvane
