// SPDX-License-Identifier: GPL-3.0-or-later
#include "shell/LaunchRules.h"
#include "platform/Bundle.h"
#include "platform/HardwareModel.h"
#include "shell/SidebarModel.h"
#include "support/TempDir.h"

#include <gtest/gtest.h>

using namespace corvane;
using corvane::test::TempDir;

TEST(LaunchRules, LocationCheckIsASubstringTest)
{
    EXPECT_TRUE(LaunchRules::passesLocationCheck("/Applications/CorvaneTidewell.app"));
    EXPECT_TRUE(LaunchRules::passesLocationCheck("/Users/x/Applications/App.app"));
    EXPECT_TRUE(LaunchRules::passesLocationCheck("/home/x/Applications/CorvaneTidewell.app"));
    EXPECT_TRUE(LaunchRules::passesLocationCheck("/x/MyApplicationsStore/App.app")); // no leading slash needed
    EXPECT_TRUE(LaunchRules::passesLocationCheck("/Users/x/Library/Developer/Xcode/DerivedData/p/App.app"));
    EXPECT_FALSE(LaunchRules::passesLocationCheck("/home/x/Downloads/CorvaneTidewell.app"));
    EXPECT_FALSE(LaunchRules::passesLocationCheck("/home/x/applications/App.app")); // case matters
    EXPECT_FALSE(LaunchRules::passesLocationCheck(""));
}

TEST(LaunchRules, BuildTreeCountsAsDevelopmentBuildOnlyInsideIt)
{
    EXPECT_TRUE(LaunchRules::passesLocationCheck("/src/build/dev/CorvaneTidewell.app", "/src/build/dev"));
    EXPECT_TRUE(LaunchRules::passesLocationCheck("/src/build/dev/CorvaneTidewell.app", "/src/build/dev/"));
    // A sibling folder sharing the prefix is not inside the tree.
    EXPECT_FALSE(LaunchRules::passesLocationCheck("/src/build/dev2/CorvaneTidewell.app", "/src/build/dev"));
    EXPECT_FALSE(LaunchRules::passesLocationCheck("/src/build/dev", "/src/build/dev"));
    EXPECT_FALSE(LaunchRules::passesLocationCheck("/tmp/CorvaneTidewell.app", ""));
}

TEST(LaunchRules, ModelNameTrimsDigitsAndCommasAtBothEnds)
{
    EXPECT_EQ(LaunchRules::trimmedModel(QStringLiteral("MacBookAir7,2")), QStringLiteral("MacBookAir"));
    EXPECT_EQ(LaunchRules::trimmedModel(QStringLiteral("MacBookPro11,1")), QStringLiteral("MacBookPro"));
    EXPECT_EQ(LaunchRules::trimmedModel(QStringLiteral("20KH006EUS")), QStringLiteral("KH006EUS"));
    EXPECT_EQ(LaunchRules::trimmedModel(QStringLiteral("12,34")), QString());
    EXPECT_EQ(LaunchRules::trimmedModel(QStringLiteral("Unknown")), QStringLiteral("Unknown"));
    EXPECT_EQ(LaunchRules::firstGroupTitle(QStringLiteral("MacBookAir7,2")), QStringLiteral("我的MacBookAir"));
}

TEST(LaunchRules, HardwareModelReadsTheFirmwareNameOrSaysUnknown)
{
    TempDir root;
    EXPECT_EQ(HardwareModel::read(root.path()), "Unknown");
    test::writeFile(root / "sys/class/dmi/id/product_name", "");
    EXPECT_EQ(HardwareModel::read(root.path()), "Unknown");
    test::writeFile(root / "sys/class/dmi/id/product_name", "\n");
    EXPECT_EQ(HardwareModel::read(root.path()), "Unknown");
    test::writeFile(root / "sys/class/dmi/id/product_name", "MacBookAir7,2\n");
    EXPECT_EQ(HardwareModel::read(root.path()), "MacBookAir7,2");
    test::writeFile(root / "sys/class/dmi/id/product_name", "  Latitude 7490  \n");
    EXPECT_EQ(HardwareModel::read(root.path()), "Latitude 7490");
    // Longer than the 128-byte buffer: cut, never overrun.
    test::writeFile(root / "sys/class/dmi/id/product_name", std::string(300, 'A'));
    EXPECT_EQ(HardwareModel::read(root.path()).size(), 127u);
    // Bytes outside ASCII do not reach the title as mojibake.
    test::writeFile(root / "sys/class/dmi/id/product_name", "Box\xff\x80\n");
    EXPECT_EQ(HardwareModel::read(root.path()), "Box??");
}

TEST(LaunchRules, AMachineWithoutAModelNameIsNamedByFamilyCaseOrHost)
{
    TempDir root;
    const std::string dmi = root / "sys/class/dmi/id";
    test::writeFile(dmi + "/product_name", "To Be Filled By O.E.M.\n");
    test::writeFile(dmi + "/product_family", "ThinkPad X1 Carbon\n");
    EXPECT_EQ(HardwareModel::read(root.path()), "ThinkPad X1 Carbon");
    test::writeFile(dmi + "/product_family", "Default string\n");
    test::writeFile(dmi + "/chassis_type", "10\n");
    EXPECT_EQ(HardwareModel::read(root.path()), "Laptop");
    test::writeFile(dmi + "/chassis_type", "2\n"); // "Unknown" in the table: no word
    test::writeFile(root / "proc/sys/kernel/hostname", "atelier\n");
    EXPECT_EQ(HardwareModel::read(root.path()), "atelier");
    test::writeFile(root / "proc/sys/kernel/hostname", "localhost\n");
    EXPECT_EQ(HardwareModel::read(root.path()), "Unknown");
}

TEST(LaunchRules, SidebarHasFourGroupsAndTenItemsInOrder)
{
    const auto groups = SidebarModel::build(QStringLiteral("MacBookAir7,2"));
    ASSERT_EQ(groups.size(), 4u);
    EXPECT_EQ(groups[0].parent.title, QStringLiteral("我的MacBookAir"));
    EXPECT_EQ(groups[1].parent.title, QStringLiteral("系统优化"));
    EXPECT_EQ(groups[2].parent.title, QStringLiteral("程序管理"));
    EXPECT_EQ(groups[3].parent.title, QStringLiteral("工具大全"));
    const std::vector<size_t> sizes{1, 3, 3, 3};
    const QStringList titles{QStringLiteral("垃圾清理"), QStringLiteral("开机启动项"),   QStringLiteral("内存优化"),
                             QStringLiteral("进程管理"), QStringLiteral("应用卸载"),     QStringLiteral("插件卸载"),
                             QStringLiteral("配置文件"), QStringLiteral("重复文件查找"), QStringLiteral("大文件清理"),
                             QStringLiteral("系统信息")};
    const QStringList images{QStringLiteral("一键清理1.png"), QStringLiteral("启动项1.png"),
                             QStringLiteral("内存加速1.png"), QStringLiteral("系统性能1.png"),
                             QStringLiteral("软件卸载1.png"), QStringLiteral("插件1.png"),
                             QStringLiteral("配置文件1.png"), QStringLiteral("重复文件1.png"),
                             QStringLiteral("大文件1.png"),   QStringLiteral("系统信息.png")};
    int pindex = 1;
    for (size_t g = 0; g < groups.size(); ++g) {
        ASSERT_EQ(groups[g].children.size(), sizes[g]);
        for (const ChildNode& child : groups[g].children) {
            EXPECT_EQ(child.pindex, pindex);
            EXPECT_EQ(child.title, titles[pindex - 1]);
            EXPECT_EQ(child.imageName, images[pindex - 1]);
            EXPECT_TRUE(child.selectImageName.isEmpty());
            ++pindex;
        }
    }
    EXPECT_TRUE(SidebarModel::titleForPindex(0).isEmpty());
    EXPECT_TRUE(SidebarModel::titleForPindex(11).isEmpty());
}

TEST(LaunchRules, WelcomeIsDueOnlyWithoutTheMarker)
{
    TempDir home;
    EXPECT_TRUE(LaunchRules::welcomeDue(home.path()));
    test::writeFile(home / "corvane.txt", "");
    EXPECT_FALSE(LaunchRules::welcomeDue(home.path()));
}

TEST(LaunchRules, WelcomeReplyOpensOnlyTheSecondQuotedPieceAsAWebPage)
{
    EXPECT_EQ(LaunchRules::welcomeUrlFromReply("<script>open('https://www.corvane.com/welcome')</script>"),
              QStringLiteral("https://www.corvane.com/welcome"));
    EXPECT_TRUE(LaunchRules::welcomeUrlFromReply("no quote at all").isEmpty());
    EXPECT_TRUE(LaunchRules::welcomeUrlFromReply("").isEmpty());
    // A reply must not make the program open a local file or another handler.
    EXPECT_TRUE(LaunchRules::welcomeUrlFromReply("x'file:///etc/passwd'y").isEmpty());
    EXPECT_TRUE(LaunchRules::welcomeUrlFromReply("x'/home/u/.bashrc'y").isEmpty());
    EXPECT_TRUE(LaunchRules::welcomeUrlFromReply("x'javascript:alert(1)'").isEmpty());
}

TEST(LaunchRules, PreferredChineseIsDecidedByTheFirstLanguage)
{
    EXPECT_TRUE(LaunchRules::prefersChinese({QStringLiteral("zh-Hans-CN"), QStringLiteral("en")}));
    EXPECT_TRUE(LaunchRules::prefersChinese({QStringLiteral("zh_TW")}));
    EXPECT_FALSE(LaunchRules::prefersChinese({QStringLiteral("en-US"), QStringLiteral("zh-CN")}));
    EXPECT_FALSE(LaunchRules::prefersChinese({}));
}

TEST(LaunchRules, BundleOfTheExecutableFolder)
{
    EXPECT_EQ(LaunchRules::bundlePathForExecutableFolder("/a b/CorvaneTidewell.app/Contents/MacOS"),
              "/a b/CorvaneTidewell.app");
    EXPECT_EQ(LaunchRules::bundlePathForExecutableFolder("/a/CorvaneTidewell.app/Contents/MacOS/"),
              "/a/CorvaneTidewell.app");
    EXPECT_EQ(LaunchRules::bundlePathForExecutableFolder("/usr/bin"), "/usr/bin");
    EXPECT_EQ(LaunchRules::bundlePathForExecutableFolder("/x/Contents/MacOS"), "/x/Contents/MacOS");
}

TEST(Bundles, TheBuildProducesBothBundlesWithTheirIdentities)
{
    const std::string main = CORVANE_MAIN_BUNDLE;
    auto info = Bundle::read(main);
    ASSERT_TRUE(info);
    EXPECT_EQ(info->identifier, QStringLiteral("com.corvane.CorvaneTidewell"));
    EXPECT_EQ(info->executable, QStringLiteral("CorvaneTidewell"));
    EXPECT_FALSE(info->shortVersion.isEmpty());
    EXPECT_FALSE(info->version.isEmpty());
    EXPECT_TRUE(test::exists(Bundle::executablePath(*info)));
    EXPECT_TRUE(test::exists(main + "/Contents/Resources/AppIcon.png"));
    auto companion = Bundle::read(main + "/Contents/Library/LoginItems/CorvaneXPC.app");
    ASSERT_TRUE(companion);
    EXPECT_EQ(companion->identifier, QStringLiteral("com.corvane.XPC"));
    EXPECT_TRUE(test::exists(Bundle::executablePath(*companion)));
}
