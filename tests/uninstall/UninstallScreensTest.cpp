// SPDX-License-Identifier: GPL-3.0-or-later
// The application, plug-in and preference-pane screens offscreen: rows in the list's
// order, the version rule, this program never offered, a reload during a load, the
// question before a deletion, a deletion that fails, and a system without panes.
#include "duplicates/ScreenSupport.h"
#include "junk/JunkFixtures.h"
#include "support/DesktopFixtures.h"

#include "platform/FileChecks.h"
#include "toolkit/RWProgressHUD.h"
#include "toolkit/ReadableOutline.h"
#include "uninstall/engine/Uninstall.h"
#include "uninstall/ui/ConfigFilesView.h"
#include "uninstall/ui/PlugView.h"
#include "uninstall/ui/UninstallView.h"

#include <QAbstractItemModelTester>
#include <QLabel>
#include <QMessageBox>
#include <QPushButton>
#include <QThread>

#include <gtest/gtest.h>

#include <sys/stat.h>
#include <unistd.h>

using namespace corvane;
using namespace corvane::test;

namespace {

using Model = UninstallListModel;

void writeBundle(const std::string& bundle, const std::string& entries)
{
    writeFile(bundle + "/Contents/Info.plist",
              "<?xml version=\"1.0\" encoding=\"UTF-8\"?>\n<plist version=\"1.0\"><dict>" + entries +
                  "</dict></plist>\n");
}

std::string entry(const char* key, const char* value)
{
    return std::string("<key>") + key + "</key><string>" + value + "</string>";
}

std::string cell(const UninstallScreen& view, int row, int column)
{
    return view.model()->index(row, column).data().toString().toStdString();
}

std::vector<std::string> rowPaths(const UninstallScreen& view)
{
    std::vector<std::string> out;
    for (const UninstallRecord& r : view.ret())
        out.push_back(r.filePath);
    return out;
}

int rowOf(const UninstallScreen& view, const std::string& path)
{
    return view.model()->rowOf(path);
}

bool loaded(const UninstallScreen& view)
{
    return waitFor([&] { return !view.isLoading(); }) &&
           !RWProgressHUD::hudForView(const_cast<UninstallScreen*>(&view));
}

QAbstractButton* alertButton(const UninstallScreen& view, const char* name)
{
    return view.alertBox() ? view.alertBox()->findChild<QAbstractButton*>(QString::fromLatin1(name)) : nullptr;
}

template <typename View> std::unique_ptr<View> shown(const Layout& layout)
{
    auto view = std::make_unique<View>(layout);
    // Checks the list's model through every change the test makes.
    new QAbstractItemModelTester(view->model(), QAbstractItemModelTester::FailureReportingMode::Fatal, view->model());
    view->resize(760, 600); // what the 960 x 640 window leaves beside its sidebar
    view->show();
    return view;
}

} // namespace

TEST(UninstallView, ApplicationsInListOrderWithTheVersionRuleAndNeverThisProgram)
{
    MacRoot r;
    const std::string apps = r.root + "/Applications";
    writeBundle(apps + "/Beta.app", entry("CFBundleIdentifier", "com.vendor.beta") +
                                        entry("CFBundleShortVersionString", "0.9") + entry("CFBundleVersion", "45"));
    writeBundle(apps + "/Alpha.app", entry("CFBundleIdentifier", "com.vendor.alpha") +
                                         entry("CFBundleShortVersionString", "2.1") + entry("CFBundleVersion", "9"));
    writeBundle(apps + "/Bare.app", entry("CFBundleIdentifier", "com.vendor.bare"));
    writeBundle(apps + "/Zero.app",
                entry("CFBundleIdentifier", "com.vendor.zero") + entry("CFBundleShortVersionString", "0.9"));
    writeBundle(apps + "/Renamed.app", entry("CFBundleIdentifier", "com.corvane.CorvaneTidewell"));
    writeBundle(apps + "/Safari.app", entry("CFBundleIdentifier", "com.apple.Safari"));
    // Our own bundle where the layout installs it, whatever it says about itself.
    writeBundle(apps + "/CorvaneTidewell.app", entry("CFBundleIdentifier", "org.example.other"));
    writeBundle(r.home + "/Applications/Mine.app", entry("CFBundleIdentifier", "me.mine"));
    writeSized(r.home + "/Applications/Mine.app/Contents/MacOS/Mine", 2000000);
    std::string wanted;
    for (int i = 0; i < 4; ++i)
        wanted += "A very long application name that cannot fit ";
    writeBundle(apps + "/" + wanted + ".app", entry("CFBundleIdentifier", "com.vendor.long"));

    auto view = shown<UninstallView>(r.layout);
    ASSERT_TRUE(loaded(*view));
    std::vector<std::string> expected;
    for (const DesktopApp& app : Uninstall(r.layout).desktopApps("C"))
        if (!Uninstall(r.layout).isNoSystemApplication(app.path) && lastComponent(app.path) != "Renamed.app" &&
            lastComponent(app.path) != "CorvaneTidewell.app")
            expected.push_back(app.path);
    ASSERT_EQ(expected.size(), 6u);
    EXPECT_EQ(rowPaths(*view), expected);

    auto version = [&](const char* name) { return cell(*view, rowOf(*view, apps + "/" + name), Model::VersionColumn); };
    EXPECT_EQ(version("Beta.app"), "版本:45");
    EXPECT_EQ(version("Alpha.app"), "版本:2.1");
    EXPECT_EQ(version("Bare.app"), "版本:--");
    EXPECT_EQ(version("Zero.app"), "版本:--");
    const int mine = rowOf(*view, r.home + "/Applications/Mine.app");
    ASSERT_GE(mine, 0);
    EXPECT_EQ(cell(*view, mine, Model::NameColumn), "Mine");
    EXPECT_EQ(cell(*view, mine, Model::DateColumn), "安装日期:--");
    EXPECT_EQ(cell(*view, mine, Model::SizeColumn), "大小:2.0MB");

    // Readable at the window's size: a long name is shortened, its icon drawn, and the
    // row's button keeps its whole width inside the list.
    QApplication::processEvents();
    view->listTableView()->fitColumns();
    const QModelIndex longName = view->model()->index(rowOf(*view, apps + "/" + wanted + ".app"), Model::NameColumn);
    EXPECT_NE(view->listTableView()->shownText(longName).toStdString(), cell(*view, longName.row(), Model::NameColumn));
    EXPECT_TRUE(view->listTableView()->shownText(longName).contains(QChar(0x2026)));
    QPushButton* button = view->uninstallButton(longName.row());
    ASSERT_TRUE(button);
    EXPECT_TRUE(button->isVisible());
    EXPECT_GE(button->width(), button->sizeHint().width());
    const QRect inList(button->mapTo(view->listTableView()->viewport(), QPoint()), button->size());
    EXPECT_TRUE(view->listTableView()->viewport()->rect().contains(inList));
    screenshot(view.get(), "uninstall-apps.png");
}

TEST(UninstallView, TheSheetDecidesWhetherTheRowGoes)
{
    MacRoot r;
    writeBundle(r.root + "/Applications/One.app", entry("CFBundleIdentifier", "com.vendor.one"));
    writeBundle(r.root + "/Applications/Two.app", entry("CFBundleIdentifier", "com.vendor.two"));
    auto view = shown<UninstallView>(r.layout);
    ASSERT_TRUE(loaded(*view));
    ASSERT_EQ(view->ret().size(), 2u);
    const std::string one = r.root + "/Applications/One.app";
    const std::string other = view->ret()[size_t(1 - rowOf(*view, one))].filePath;

    QTest::mouseClick(view->uninstallButton(rowOf(*view, one)), Qt::LeftButton);
    ASSERT_TRUE(view->sheet());
    EXPECT_EQ(view->sheet()->filePath(), one);
    EXPECT_TRUE(view->sheet()->isVisible());
    view->sheet()->endWithReturnCode(0);
    EXPECT_EQ(view->ret().size(), 2u);

    view->uninstallApp(one);
    view->sheet()->endWithReturnCode(1);
    EXPECT_EQ(rowPaths(*view), std::vector<std::string>{other});
    EXPECT_EQ(view->model()->rowCount(), 1);
}

TEST(UninstallView, LinuxListsBundlesThenFlatpaksButNotThisProgram)
{
    LinuxRoot r;
    r.set("FLATPAK_USER_DIR", r.home + "/.local/share/flatpak");
    writeBundle(r.home + "/Applications/Tool.app", entry("CFBundleIdentifier", "org.example.tool"));
    writeBundle(r.home + "/Applications/CorvaneTidewell.app", "");
    const std::string flatpaks = r.home + "/.local/share/flatpak";
    makeFlatpak(flatpaks, {"org.example.Notes", "Application",
                           "[Desktop Entry]\nType=Application\nName=Notes\nExec=notes\nIcon=org.example.Notes\n",
                           "<component><id>org.example.Notes</id><releases><release version=\"3.2\"/></releases>"
                           "</component>"});
    makeFlatpak(flatpaks, {"com.corvane.CorvaneTidewell.Devel", "Application",
                           "[Desktop Entry]\nType=Application\nName=Ourselves\nExec=x\n", ""});

    auto view = shown<UninstallView>(r.layout);
    ASSERT_TRUE(loaded(*view));
    ASSERT_EQ(view->ret().size(), 2u);
    EXPECT_EQ(view->ret()[0].filePath, r.home + "/Applications/Tool.app");
    EXPECT_EQ(cell(*view, 1, Model::NameColumn), "Notes");
    EXPECT_EQ(cell(*view, 1, Model::VersionColumn), "版本:3.2");
    EXPECT_EQ(view->ret()[1].filePath, flatpaks + "/app/org.example.Notes");
}

TEST(PlugView, ReloadDuringALoadNeverDoublesRows)
{
    MacRoot r;
    for (int i = 0; i < 80; ++i)
        makeDirs(r.root + "/Library/Internet Plug-Ins/P" + std::to_string(100 + i) + ".plugin");
    const std::vector<std::string> expected = Uninstall(r.layout).plugins();
    auto view = shown<PlugView>(r.layout);
    // The first load's rows are queued for the main thread while it is kept busy.
    QThread::msleep(200);
    view->reloadDataView();
    EXPECT_TRUE(view->ret().empty());
    EXPECT_TRUE(RWProgressHUD::hudForView(view.get()));
    ASSERT_TRUE(loaded(*view));
    QTest::qWait(200);
    EXPECT_EQ(rowPaths(*view), expected);
    EXPECT_EQ(view->model()->rowCount(), 80);
}

TEST(PlugView, OnlyConfirmingDeletesAndTheRowThenGoes)
{
    MacRoot r;
    const std::string a = r.root + "/Library/Internet Plug-Ins/Flash.plugin";
    const std::string b = r.lib + "/Internet Plug-Ins/Mine.plugin";
    writeFile(a + "/Contents/x", "x");
    writeFile(b + "/Contents/x", "x");
    auto view = shown<PlugView>(r.layout);
    ASSERT_TRUE(loaded(*view));
    ASSERT_EQ(rowPaths(*view), (std::vector<std::string>{a, b}));

    auto ask = [&] {
        QTest::mouseClick(view->uninstallButton(rowOf(*view, a)), Qt::LeftButton);
        return waitFor([&] { return view->alertBox() && view->alertBox()->isVisible(); });
    };
    auto untouched = [&] {
        QTest::qWait(50);
        return !view->alertBox() && !view->isRemoving(a) && exists(a + "/Contents/x") && view->ret().size() == 2;
    };
    ASSERT_TRUE(ask());
    EXPECT_EQ(view->alertBox()->text().toStdString(), "插件卸载");
    EXPECT_EQ(view->alertBox()->informativeText().toStdString(), "请确定是否卸载 Flash");
    QTest::keyClick(view->alertBox(), Qt::Key_Return);
    EXPECT_TRUE(untouched());
    ASSERT_TRUE(ask());
    QTest::keyClick(view->alertBox(), Qt::Key_Escape);
    EXPECT_TRUE(untouched());
    ASSERT_TRUE(ask());
    QTest::mouseClick(alertButton(*view, "cancelButton"), Qt::LeftButton);
    EXPECT_TRUE(untouched());

    ASSERT_TRUE(ask());
    QTest::mouseClick(alertButton(*view, "confirmButton"), Qt::LeftButton);
    ASSERT_TRUE(waitFor([&] { return !view->isRemoving(a) && view->ret().size() == 1; }));
    EXPECT_FALSE(exists(a));
    EXPECT_TRUE(exists(b + "/Contents/x"));
    EXPECT_EQ(rowPaths(*view), std::vector<std::string>{b});
}

TEST(PlugView, LinuxRowsShowSizesOnDiskAndExtensionVersions)
{
    LinuxRoot r;
    writeSized(r.root + "/usr/lib/mozilla/plugins/libviewer.so", 200000);
    const std::string ext = r.home + "/.local/share/gnome-shell/extensions";
    writeFile(ext + "/dock@example.org/metadata.json", R"({"name": "Dock \u202egpj.exe", "version": 7})");
    writeFile(ext + "/odd@example.org/metadata.json", "{oops");
    auto view = shown<PlugView>(r.layout);
    ASSERT_TRUE(loaded(*view));
    ASSERT_EQ(view->ret().size(), 3u);
    EXPECT_EQ(cell(*view, 0, Model::NameColumn), "libviewer");
    // Allocated bytes in millions, not the file's length in the nearest unit.
    EXPECT_EQ(cell(*view, 0, Model::SizeColumn), "大小:0.2MB");
    EXPECT_EQ(cell(*view, 0, Model::VersionColumn), "");
    // A name that would reorder itself on screen is shown as stored.
    EXPECT_EQ(view->model()->index(1, Model::NameColumn).data().toString(), QStringLiteral("Dock \uFFFDgpj.exe"));
    EXPECT_EQ(cell(*view, 1, Model::VersionColumn), "版本:7");
    EXPECT_EQ(cell(*view, 2, Model::NameColumn), "odd@example.org");
    EXPECT_TRUE(view->revealButton(0));

    // The question names the extension, not its folder.
    view->uninstallApp(ext + "/dock@example.org");
    ASSERT_TRUE(view->alertBox());
    EXPECT_EQ(view->alertBox()->informativeText(), QStringLiteral("请确定是否卸载 Dock \uFFFDgpj.exe"));
    view->alertBox()->close();
}

// A plug-in this user may not delete: its row stays, with a note, and the screen never
// says it was removed. Run as an unprivileged user in a fresh process (this binary again).
TEST(PlugView, AFailedDeletionKeepsTheRowAndSaysSo)
{
    MacRoot r;
    const std::string locked = r.root + "/Library/Internet Plug-Ins/Locked.plugin";
    writeFile(locked + "/Contents/x", "x");
    writeFile(r.lib + "/Internet Plug-Ins/Mine.plugin/Contents/x", "x");
    giveToUnprivileged(r.lib);
    ASSERT_EQ(::chmod((locked + "/Contents").c_str(), 0555), 0);
    ASSERT_EQ(::chmod(locked.c_str(), 0555), 0);
    const int rc = rerunSelfAsUnprivileged("UninstallScreensChild.*", "CORVANE_CHILD_ROOT", r.root);
    EXPECT_EQ(rc, 0);
    EXPECT_TRUE(exists(locked + "/Contents/x"));
    EXPECT_FALSE(exists(r.lib + "/Internet Plug-Ins/Mine.plugin"));
}

TEST(UninstallScreensChild, LockedPlugInStaysListed)
{
    const char* root = std::getenv("CORVANE_CHILD_ROOT");
    if (!root)
        GTEST_SKIP() << "run by AFailedDeletionKeepsTheRowAndSaysSo";
    const Layout layout = Layout::macLayout(root, "tester");
    const std::string locked = std::string(root) + "/Library/Internet Plug-Ins/Locked.plugin";
    const std::string mine = layout.home() + "/Library/Internet Plug-Ins/Mine.plugin";
    auto view = shown<PlugView>(layout);
    ASSERT_TRUE(loaded(*view));
    ASSERT_EQ(rowPaths(*view), (std::vector<std::string>{locked, mine}));
    for (const std::string& path : {locked, mine}) {
        view->uninstallApp(path);
        ASSERT_TRUE(alertButton(*view, "confirmButton"));
        QTest::mouseClick(alertButton(*view, "confirmButton"), Qt::LeftButton);
        ASSERT_TRUE(waitFor([&] { return !view->isRemoving(path); }));
    }
    ASSERT_EQ(rowPaths(*view), std::vector<std::string>{locked});
    EXPECT_EQ(cell(*view, 0, Model::NoteColumn), "删除失败，文件仍在原处");
    EXPECT_TRUE(view->uninstallButton(0)->isEnabled());
    screenshot(view.get(), "plugins-failed.png");
}

TEST(ConfigFilesView, LinuxSaysThereAreNoPanesAndTheMacLayoutListsThem)
{
    {
        LinuxRoot r;
        auto view = shown<ConfigFilesView>(r.layout);
        ASSERT_TRUE(loaded(*view));
        auto* message = view->findChild<QLabel*>(QStringLiteral("plainMessage"));
        ASSERT_TRUE(message);
        EXPECT_TRUE(message->isVisible());
        EXPECT_EQ(message->text().toStdString(), "此系统没有偏好设置面板");
        EXPECT_FALSE(view->listView()->isVisible());
        screenshot(view.get(), "panes-none.png");
    }
    MacRoot r;
    const std::string pane = r.root + "/Library/PreferencePanes/Sound.prefPane";
    writeSized(pane + "/Contents/data", 200000);
    auto view = shown<ConfigFilesView>(r.layout);
    ASSERT_TRUE(loaded(*view));
    EXPECT_TRUE(view->listView()->isVisible());
    ASSERT_EQ(rowPaths(*view), std::vector<std::string>{pane});
    EXPECT_EQ(cell(*view, 0, Model::NameColumn), "Sound");
    EXPECT_EQ(cell(*view, 0, Model::SizeColumn), "大小:0.2MB");
    view->uninstallApp(pane);
    ASSERT_TRUE(view->alertBox());
    EXPECT_EQ(view->alertBox()->text().toStdString(), "配置文件");
    QTest::mouseClick(alertButton(*view, "cancelButton"), Qt::LeftButton);
    EXPECT_TRUE(exists(pane + "/Contents/data"));
}
