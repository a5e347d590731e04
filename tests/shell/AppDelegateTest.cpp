// SPDX-License-Identifier: GPL-3.0-or-later
#include "shell/AppDelegate.h"
#include "SidebarSupport.h"
#include "duplicates/ui/DuplicatedFileView.h"
#include "junk/ui/SystemCleanView.h"
#include "largefiles/ui/LargeFilesView.h"
#include "memory/ui/YVPopViewController.h"
#include "platform/Layout.h"
#include "shell/NoWebServices.h"
#include "shell/PlaceholderScreen.h"
#include "shell/SelectView.h"
#include "support/TempDir.h"
#include "toolkit/ListCellView.h"
#include "toolkit/ParentCellView.h"
#include "toolkit/TitleBarWindow.h"
#include "processes/ui/SystemPerformanceAcceleration.h"
#include "startup/ui/LoginItemViewController.h"
#include "sysinfo/ui/HardWare.h"
#include "uninstall/ui/ConfigFilesView.h"
#include "uninstall/ui/PlugView.h"
#include "uninstall/ui/UninstallView.h"

#include <QAction>
#include <QApplication>
#include <QClipboard>
#include <QPushButton>
#include <QSemaphore>
#include <QTest>
#include <QThread>
#include <QThreadPool>
#include <QToolButton>
#include <QTreeWidget>

#include <gtest/gtest.h>

#include <atomic>
#include <cstdlib>
#include <functional>

using namespace corvane;
using corvane::test::TempDir;

namespace {

// A machine in a scratch folder: home, autostart folder, firmware model, and a bundle
// under an applications folder with the companion inside. Every effect on the outside
// world is recorded instead of happening.
struct Machine
{
    TempDir dir;
    std::string home = dir / "home";
    std::string bundle = dir / "home/Applications/CorvaneTidewell.app";
    QStringList alerts;
    std::vector<std::string> commands;
    QList<QUrl> opened;
    QStringList started;
    std::vector<QVariantMap> jobs;
    int terminated = 0;
    NoWebServices noWeb;

    Machine()
    {
        test::makeDirs(home);
        setenv("XDG_CONFIG_HOME", (home + "/.config").c_str(), 1);
        setenv("CORVANE_HELPER_SOCKET", (dir / "no-helper.socket").c_str(), 1);
        Layout::setCurrent(Layout::linuxLayout(home));
        test::writeFile(dir / "sys/class/dmi/id/product_name", "MacBookAir7,2\n");
        test::writeFile(bundle + "/Contents/Info.plist", plist("com.corvane.CorvaneTidewell", "CorvaneTidewell"));
        const std::string xpc = bundle + "/Contents/Library/LoginItems/CorvaneXPC.app";
        test::writeFile(xpc + "/Contents/Info.plist", plist("com.corvane.XPC", "CorvaneXPC"));
        test::writeFile(xpc + "/Contents/MacOS/CorvaneXPC", "#!/bin/sh\n");
    }
    ~Machine()
    {
        unsetenv("XDG_CONFIG_HOME");
        unsetenv("CORVANE_HELPER_SOCKET");
        Layout::setCurrent(Layout::linuxLayout());
    }

    static std::string plist(const char* identifier, const char* executable)
    {
        return std::string("<?xml version=\"1.0\"?><plist version=\"1.0\"><dict>"
                           "<key>CFBundleIdentifier</key><string>") +
               identifier +
               "</string>"
               "<key>CFBundleExecutable</key><string>" +
               executable +
               "</string>"
               "<key>CFBundleShortVersionString</key><string>2.9</string></dict></plist>";
    }

    AppDelegate::Environment environment(QStringList languages = {QStringLiteral("zh-Hans-CN")})
    {
        AppDelegate::Environment env;
        env.bundlePath = bundle;
        env.home = home;
        env.sysRoot = dir.path();
        env.languages = languages;
        env.runCommand = [this](const std::string& c) { commands.push_back(c); };
        env.alert = [this](const QString& m) { alerts << m; };
        env.openUrl = [this](const QUrl& u) {
            opened << u;
            return true;
        };
        env.startDetached = [this](const QString& p, const QStringList&) {
            started << p;
            return true;
        };
        env.userJobs = [this] { return jobs; };
        env.terminate = [this] { ++terminated; };
        return env;
    }
    std::string autostartEntry() const { return home + "/.config/autostart/com.corvane.XPC.desktop"; }
};

using test::clickRow;

QTreeWidgetItem* itemFor(QTreeWidget* outline, int pindex)
{
    return test::sidebarItem(outline, pindex);
}

QWidget* shownScreen(AppDelegate& app)
{
    const auto views = app.rightBackView()->subviews();
    return views.size() == 1 ? views.first() : nullptr;
}

// Web services that count the requests they are asked for. The welcome request is
// counted when it is prepared (on the pool), the update check when it is started.
struct CountingWebServices : WebServices
{
    std::atomic<int> welcomes = 0;
    int checks = 0;
    RequestPreparation welcomeRequest() override
    {
        return [this] {
            ++welcomes;
            return RequestStart([](WebServiceDelegate&) { return std::make_shared<int>(1); });
        };
    }
    std::shared_ptr<void> startUpdateCheck(const QString&, WebServiceDelegate&) override
    {
        ++checks;
        return std::make_shared<int>(2);
    }
    bool updateExists(const QByteArray&) override { return false; }
    bool hasUpdateWindows() const override { return false; }
    void runIsUpdateWindow(QWidget*) override {}
    void runUpdateWindow(QWidget*) override {}
};

// Web services that note on which thread the welcome request is prepared and started. The
// preparation waits for `gate` when one is given.
struct ThreadNotingWebServices : WebServices
{
    QSemaphore* gate = nullptr;
    std::atomic<int> prepared = 0;
    std::atomic<bool> preparedOnMainThread = false;
    int started = 0;
    bool startedOnMainThread = false;
    WebServiceDelegate* startedFor = nullptr;

    RequestPreparation welcomeRequest() override
    {
        QSemaphore* waitFor = gate;
        return [this, waitFor] {
            if (waitFor)
                waitFor->acquire();
            preparedOnMainThread = QThread::currentThread() == QCoreApplication::instance()->thread();
            ++prepared;
            return RequestStart([this](WebServiceDelegate& delegate) {
                ++started;
                startedOnMainThread = QThread::currentThread() == QCoreApplication::instance()->thread();
                startedFor = &delegate;
                return std::make_shared<int>(1);
            });
        };
    }
    std::shared_ptr<void> startUpdateCheck(const QString&, WebServiceDelegate&) override { return {}; }
    bool updateExists(const QByteArray&) override { return false; }
    bool hasUpdateWindows() const override { return false; }
    void runIsUpdateWindow(QWidget*) override {}
    void runUpdateWindow(QWidget*) override {}
};

void processEventsUntil(const std::function<bool()>& done)
{
    for (int i = 0; i < 500 && !done(); ++i) {
        QCoreApplication::processEvents();
        QThread::msleep(10);
    }
}

} // namespace

TEST(AppDelegateLaunch, OutsideAnApplicationsFolderOnlyWarnsAndEnds)
{
    Machine machine;
    CountingWebServices hooks;
    machine.bundle = machine.dir / "Downloads/CorvaneTidewell.app";
    AppDelegate app(machine.environment(), hooks);
    EXPECT_FALSE(app.applicationDidFinishLaunching());
    ASSERT_EQ(machine.alerts.size(), 1);
    EXPECT_EQ(machine.alerts.first(), QStringLiteral("本程序必须放在/Applications文件夹中执行"));
    ASSERT_EQ(machine.commands.size(), 1u);
    EXPECT_EQ(machine.commands.front(), "killall CorvaneTidewell");
    EXPECT_EQ(machine.terminated, 1);
    // Nothing else of the sequence ran.
    EXPECT_EQ(hooks.welcomes, 0);
    EXPECT_EQ(hooks.checks, 0);
    EXPECT_FALSE(test::exists(machine.autostartEntry()));
    EXPECT_FALSE(app.window()->isVisible());
    EXPECT_TRUE(app.listArray().empty());
}

TEST(AppDelegateLaunch, FullSequenceBuildsTheWindow)
{
    Machine machine;
    CountingWebServices hooks;
    AppDelegate app(machine.environment(), hooks);
    ASSERT_TRUE(app.applicationDidFinishLaunching());
    QThreadPool::globalInstance()->waitForDone();
    QCoreApplication::processEvents();

    EXPECT_TRUE(machine.alerts.isEmpty());
    EXPECT_EQ(app.aboutItem()->text(), QStringLiteral("关于Corvane Tidewell"));
    EXPECT_EQ(app.updateItem()->text(), QStringLiteral("检查更新"));
    EXPECT_EQ(app.quitItem()->text(), QStringLiteral("退出Corvane Tidewell"));
    EXPECT_EQ(hooks.welcomes, 1);
    EXPECT_EQ(hooks.checks, 1);
    // The companion is registered (no job yet, so enabled) and started.
    EXPECT_TRUE(test::exists(machine.autostartEntry()));
    ASSERT_EQ(machine.started.size(), 1);
    EXPECT_TRUE(machine.started.first().endsWith(QStringLiteral("CorvaneXPC")));
    // Chrome: the title bar takes the view's height, buttons not centred in it.
    EXPECT_EQ(app.window()->titleBarHeight(), app.titleBarView()->height());
    EXPECT_FALSE(app.window()->trafficLightsCentred());
    EXPECT_LT(app.window()->trafficLightsOrigin().y(), (app.window()->titleBarHeight() - 12) / 2);
    // Sidebar: four groups, the first named after the machine.
    ASSERT_EQ(app.myOutlineView()->topLevelItemCount(), 4);
    auto* firstGroup =
        qobject_cast<ParentCellView*>(app.myOutlineView()->itemWidget(app.myOutlineView()->topLevelItem(0), 0));
    ASSERT_TRUE(firstGroup);
    EXPECT_EQ(firstGroup->title(), QStringLiteral("我的MacBookAir"));
    EXPECT_EQ(firstGroup->objectName(), QStringLiteral("ParentCellView"));
    for (int g = 0; g < 4; ++g)
        EXPECT_TRUE(app.myOutlineView()->topLevelItem(g)->isExpanded());
    // The junk screen is shown and its row marked.
    ASSERT_TRUE(app.screenForPindex(1));
    EXPECT_EQ(shownScreen(app), app.screenForPindex(1));
    EXPECT_EQ(app.listArray()[0].children[0].selectImageName, QStringLiteral("tab-listbjp.png"));
    EXPECT_TRUE(app.window()->isVisible());
    EXPECT_EQ(app.twitterOrQQ()->toolTip(), QStringLiteral("QQ群"));
}

TEST(AppDelegateLaunch, MarkerPresentMeansNoWelcome)
{
    Machine machine;
    CountingWebServices hooks;
    test::writeFile(machine.home + "/corvane.txt", "");
    AppDelegate app(machine.environment(), hooks);
    ASSERT_TRUE(app.applicationDidFinishLaunching());
    QThreadPool::globalInstance()->waitForDone();
    EXPECT_EQ(hooks.welcomes, 0);
    EXPECT_FALSE(app.welcomeRequested());
    EXPECT_EQ(hooks.checks, 1);
}

TEST(AppDelegateLaunch, WelcomeIsPreparedOnThePoolAndStartedOnTheMainThread)
{
    Machine machine;
    ThreadNotingWebServices web;
    AppDelegate app(machine.environment(), web);
    ASSERT_TRUE(app.applicationDidFinishLaunching());
    EXPECT_TRUE(app.welcomeRequested());
    QThreadPool::globalInstance()->waitForDone();
    processEventsUntil([&] { return web.started > 0; });
    EXPECT_EQ(web.prepared, 1);
    EXPECT_FALSE(web.preparedOnMainThread);
    ASSERT_EQ(web.started, 1);
    EXPECT_TRUE(web.startedOnMainThread);
    EXPECT_EQ(web.startedFor, static_cast<WebServiceDelegate*>(&app));
}

TEST(AppDelegateLaunch, DelegateGoneBeforeItsWelcomeIsPreparedStartsNothing)
{
    Machine machine;
    QSemaphore gate;
    ThreadNotingWebServices web;
    web.gate = &gate;
    {
        AppDelegate app(machine.environment(), web);
        EXPECT_TRUE(app.applicationDidFinishLaunching()); // not ASSERT: the gate must open
    }
    gate.release();
    QThreadPool::globalInstance()->waitForDone();
    QCoreApplication::processEvents();
    EXPECT_EQ(web.prepared, 1);
    EXPECT_EQ(web.started, 0);
}

TEST(AppDelegateLaunch, WelcomeReplyWritesTheMarkerAndFailureDoesNot)
{
    Machine machine;
    AppDelegate app(machine.environment(), machine.noWeb);
    app.webServiceFail(AppDelegate::RequestTag::Welcome, QStringLiteral("offline"));
    EXPECT_FALSE(test::exists(machine.home + "/corvane.txt"));
    EXPECT_TRUE(machine.opened.isEmpty());

    app.webServiceFinish(AppDelegate::RequestTag::Welcome, "window.open('https://www.corvane.com/hi');");
    EXPECT_TRUE(test::exists(machine.home + "/corvane.txt"));
    ASSERT_EQ(machine.opened.size(), 1);
    EXPECT_EQ(machine.opened.first(), QUrl(QStringLiteral("https://www.corvane.com/hi")));

    // A reply without a quote still leaves the marker, opens nothing; an existing marker is kept.
    test::writeFile(machine.home + "/corvane.txt", "kept");
    app.webServiceFinish(AppDelegate::RequestTag::Welcome, "nothing here");
    EXPECT_EQ(test::readFile(machine.home + "/corvane.txt"), "kept");
    EXPECT_EQ(machine.opened.size(), 1);
}

TEST(AppDelegateLaunch, OnDemandCompanionJobIsSwitchedOff)
{
    Machine machine;
    test::writeFile(machine.autostartEntry(), "[Desktop Entry]\nExec=/old\n");
    machine.jobs = {{{QStringLiteral("Label"), QStringLiteral("com.corvane.XPC")}, {QStringLiteral("OnDemand"), true}}};
    AppDelegate app(machine.environment(), machine.noWeb);
    ASSERT_TRUE(app.applicationDidFinishLaunching());
    EXPECT_FALSE(test::exists(machine.autostartEntry()));
    EXPECT_TRUE(machine.started.isEmpty());
}

TEST(AppDelegateSidebar, GroupRowClickChangesNothingAndScreensAreKept)
{
    Machine machine;
    AppDelegate app(machine.environment({QStringLiteral("en-GB")}), machine.noWeb);
    ASSERT_TRUE(app.applicationDidFinishLaunching());
    QTreeWidget* outline = app.myOutlineView();
    QWidget* junk = shownScreen(app);
    ASSERT_TRUE(junk);

    // A click on a group row (not on its button) leaves the content as it was.
    clickRow(outline, outline->topLevelItem(1));
    EXPECT_EQ(shownScreen(app), junk);
    EXPECT_TRUE(outline->topLevelItem(1)->isExpanded());

    // Each item shows its own screen, created once.
    QWidget* memory = nullptr;
    for (int pindex = 2; pindex <= 10; ++pindex) {
        clickRow(outline, itemFor(outline, pindex));
        QWidget* screen = shownScreen(app);
        ASSERT_TRUE(screen) << pindex;
        EXPECT_EQ(screen, app.screenForPindex(pindex));
        if (pindex == 8) {
            EXPECT_TRUE(qobject_cast<DuplicatedFileView*>(screen));
        } else if (pindex == 9) {
            EXPECT_TRUE(qobject_cast<LargeFilesView*>(screen));
        } else if (pindex == 5) {
            EXPECT_TRUE(qobject_cast<UninstallView*>(screen));
        } else if (pindex == 6) {
            EXPECT_TRUE(qobject_cast<PlugView*>(screen));
        } else if (pindex == 7) {
            EXPECT_TRUE(qobject_cast<ConfigFilesView*>(screen));
        } else if (pindex == 2) {
            EXPECT_TRUE(qobject_cast<LoginItemViewController*>(screen));
        } else if (pindex == 3) {
            EXPECT_TRUE(qobject_cast<YVPopViewController*>(screen));
        } else if (pindex == 4) {
            EXPECT_TRUE(qobject_cast<SystemPerformanceAcceleration*>(screen));
        } else if (pindex == 10) {
            EXPECT_TRUE(qobject_cast<HardWare*>(screen));
        } else {
            auto* page = qobject_cast<PlaceholderScreen*>(screen);
            ASSERT_TRUE(page);
            EXPECT_EQ(page->pindex(), pindex);
        }
        EXPECT_FALSE(junk->isVisible());
        if (pindex == 3)
            memory = screen;
        // Only the chosen row carries the selection image.
        int marked = 0;
        for (const auto& group : app.listArray())
            for (const auto& child : group.children)
                if (!child.selectImageName.isEmpty()) {
                    ++marked;
                    EXPECT_EQ(child.pindex, pindex);
                }
        EXPECT_EQ(marked, 1);
    }
    clickRow(outline, itemFor(outline, 3));
    EXPECT_EQ(shownScreen(app), memory);
    clickRow(outline, itemFor(outline, 1));
    EXPECT_EQ(shownScreen(app), junk);
    EXPECT_TRUE(junk->isVisible());
    // Every screen is the real one now: no placeholder is left.
    EXPECT_TRUE(qobject_cast<SystemCleanView*>(junk));
    EXPECT_EQ(app.rightBackView()->findChildren<PlaceholderScreen*>(Qt::FindDirectChildrenOnly).size(), 0);
}

TEST(AppDelegateSidebar, ExpandButtonFoldsAndOpensItsGroup)
{
    Machine machine;
    AppDelegate app(machine.environment(), machine.noWeb);
    ASSERT_TRUE(app.applicationDidFinishLaunching());
    QTreeWidgetItem* group = app.myOutlineView()->topLevelItem(2);
    auto* cell = qobject_cast<ParentCellView*>(app.myOutlineView()->itemWidget(group, 0));
    ASSERT_TRUE(cell);
    EXPECT_EQ(cell->expandImage(), QStringLiteral("down.png"));
    QTest::mouseClick(cell->expandButton(), Qt::LeftButton);
    EXPECT_FALSE(group->isExpanded());
    EXPECT_EQ(cell->expandImage(), QStringLiteral("up.png"));
    QTest::mouseClick(cell->expandButton(), Qt::LeftButton);
    EXPECT_TRUE(group->isExpanded());
    EXPECT_EQ(cell->expandImage(), QStringLiteral("down.png"));
    // Folding does not change the content.
    EXPECT_EQ(shownScreen(app), app.screenForPindex(1));
}

TEST(AppDelegateSidebar, CellsShowTitlesAndImages)
{
    Machine machine;
    AppDelegate app(machine.environment(), machine.noWeb);
    ASSERT_TRUE(app.applicationDidFinishLaunching());
    QTreeWidget* outline = app.myOutlineView();
    auto* cell = qobject_cast<ListCellView*>(outline->itemWidget(itemFor(outline, 9), 0));
    ASSERT_TRUE(cell);
    EXPECT_EQ(cell->objectName(), QStringLiteral("ChildrenCellView"));
    EXPECT_EQ(cell->title(), QStringLiteral("大文件清理"));
    EXPECT_EQ(cell->node().imageName, QStringLiteral("大文件1.png"));
    EXPECT_EQ(outline->visualItemRect(itemFor(outline, 9)).height(), 40);
    EXPECT_EQ(outline->visualItemRect(outline->topLevelItem(0)).height(), 20);
}

TEST(AppDelegateMenus, SocialButtonsFollowTheLanguage)
{
    Machine machine;
    {
        AppDelegate app(machine.environment({QStringLiteral("zh-CN")}), machine.noWeb);
        app.openTwitter();
        EXPECT_EQ(QGuiApplication::clipboard()->text(), QStringLiteral("318526047"));
        ASSERT_EQ(machine.alerts.size(), 1);
        EXPECT_TRUE(machine.alerts.first().contains(QStringLiteral("318526047")));
        ASSERT_EQ(machine.opened.size(), 1);
        EXPECT_TRUE(machine.opened.first().toString().contains(QStringLiteral("318526047")));
    }
    machine.opened.clear();
    machine.alerts.clear();
    AppDelegate app(machine.environment({QStringLiteral("en-US"), QStringLiteral("zh-CN")}), machine.noWeb);
    app.openTwitter();
    EXPECT_TRUE(machine.alerts.isEmpty());
    ASSERT_EQ(machine.opened.size(), 1);
    app.openHome();
    app.openFaceBook();
    ASSERT_EQ(machine.opened.size(), 3);
    EXPECT_NE(machine.opened[0], machine.opened[1]);
    EXPECT_NE(machine.opened[1], machine.opened[2]);
    app.quitCorvane();
    ASSERT_EQ(machine.commands.size(), 1u);
    EXPECT_EQ(machine.commands.front(), "killall CorvaneTidewell");
    EXPECT_EQ(machine.terminated, 1);
    EXPECT_EQ(app.shortVersion(), QStringLiteral("2.9"));
}
