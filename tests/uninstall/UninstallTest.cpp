// SPDX-License-Identifier: GPL-3.0-or-later
// The one deletion step against hostile trees, through the real remover and a fake
// helper socket; and the application, plug-in and preference-pane inventory.
#include "junk/JunkFixtures.h"

#include "uninstall/engine/ShellExtensions.h"
#include "uninstall/engine/Uninstall.h"

#include <gtest/gtest.h>

#include <sys/stat.h>
#include <unistd.h>

using namespace corvane;
using namespace corvane::test;

namespace {

void writeInfoPlist(const std::string& bundle, const std::string& identifierEntry)
{
    writeFile(bundle + "/Contents/Info.plist",
              "<?xml version=\"1.0\" encoding=\"UTF-8\"?>\n<plist version=\"1.0\"><dict>" + identifierEntry +
                  "<key>CFBundleName</key><string>X</string></dict></plist>\n");
}

} // namespace

TEST(UninstallUnInstall, AbsentPathDoesNothingAndAsksNobody)
{
    MacRoot r;
    FakeHelper helper(helperSocketPath(r.layout));
    EXPECT_EQ(Uninstall(r.layout).unInstall(r.lib + "/Caches/not-there"), Uninstall::Outcome::Absent);
    EXPECT_TRUE(helper.requests(1, 200).empty());
}

TEST(UninstallUnInstall, LinksAreRemovedNeverFollowed)
{
    MacRoot r;
    const std::string outside = r.root + "/precious";
    writeFile(outside + "/keep.txt", "keep");
    const std::string caches = r.lib + "/Caches";
    // A link as the target, a link inside the target, a dangling link.
    ASSERT_EQ(::symlink(outside.c_str(), (caches + "/link-to-precious").c_str()), 0);
    makeDirs(caches + "/dir");
    ASSERT_EQ(::symlink(outside.c_str(), (caches + "/dir/inner-link").c_str()), 0);
    ASSERT_EQ(::symlink("/nonexistent/target", (caches + "/dangling").c_str()), 0);
    ASSERT_EQ(::symlink("/", (caches + "/dir/root-link").c_str()), 0);

    Uninstall u(r.layout);
    EXPECT_EQ(u.unInstall(caches + "/link-to-precious"), Uninstall::Outcome::Removed);
    EXPECT_EQ(u.unInstall(caches + "/dir"), Uninstall::Outcome::Removed);
    EXPECT_EQ(u.unInstall(caches + "/dangling"), Uninstall::Outcome::Removed);
    EXPECT_FALSE(exists(caches + "/link-to-precious"));
    EXPECT_FALSE(exists(caches + "/dir"));
    EXPECT_FALSE(exists(caches + "/dangling"));
    EXPECT_EQ(readFile(outside + "/keep.txt"), "keep");
}

TEST(UninstallUnInstall, HostileNamesRemoveExactlyThemselves)
{
    MacRoot r;
    const std::string caches = r.lib + "/Caches/";
    const std::string bad = caches + "a\x80" "b";          // not UTF-8
    const std::string lookalike = caches + "a\xEF\xBF\xBD" "b"; // what a lossy decoder would make of it
    writeFile(bad, "bad");
    writeFile(lookalike, "keep");
    for (const char* n : {"-rf", "new\nline", "$(touch pwned)", "semi;rm x", "*", "it's"})
        writeFile(caches + n + "/f", "x");
    Uninstall u(r.layout);
    EXPECT_EQ(u.unInstall(bad), Uninstall::Outcome::Removed);
    EXPECT_FALSE(exists(bad));
    EXPECT_EQ(readFile(lookalike), "keep");
    for (const char* n : {"-rf", "new\nline", "$(touch pwned)", "semi;rm x", "*", "it's"}) {
        EXPECT_EQ(u.unInstall(caches + n), Uninstall::Outcome::Removed) << n;
        EXPECT_FALSE(exists(caches + n)) << n;
    }
    EXPECT_FALSE(exists("pwned"));
}

TEST(UninstallUnInstall, ProtectedPathsAreRefusedByBothRoutes)
{
    MacRoot r;
    FakeHelper helper(helperSocketPath(r.layout));
    writeFile(r.lib + "/Caches/x", "x");
    Uninstall u(r.layout);
    for (const std::string& p : {std::string("/"), r.home, r.lib + "/Caches", r.root + "/Library/Caches",
                                 r.root + "/Library", std::string("/etc"), std::string("/usr/bin/env")})
        EXPECT_EQ(u.unInstall(p), Uninstall::Outcome::Refused) << p;
    EXPECT_TRUE(exists(r.lib + "/Caches/x"));
    // Even for a user who could not remove them anyway, nothing is sent to the helper.
    const int rc = runAsUnprivileged([&] {
        return Uninstall(r.layout).unInstall(r.root + "/Library/Caches") == Uninstall::Outcome::Refused ? 0 : 1;
    });
    EXPECT_EQ(rc, 0);
    EXPECT_TRUE(helper.requests(1, 300).empty());
}

TEST(UninstallUnInstall, FailureGoesToTheHelperWithTheExactBytes)
{
    MacRoot r;
    FakeHelper helper(helperSocketPath(r.layout));
    const std::string path = r.root + "/Library/Caches/com.sys \xff name";
    writeFile(path + "/data", "d");
    const int rc = runAsUnprivileged([&] {
        return Uninstall(r.layout).unInstall(path) == Uninstall::Outcome::SentToHelper ? 0 : 1;
    });
    EXPECT_EQ(rc, ::geteuid() == 0 ? 0 : 1);
    if (::geteuid() != 0)
        GTEST_SKIP() << "needs root to make a folder the child cannot delete";
    const auto requests = helper.requests(1);
    ASSERT_EQ(requests.size(), 1u);
    EXPECT_EQ(requests[0].key, "removeFile");
    EXPECT_EQ(requests[0].value, path);
    EXPECT_EQ(helper.invalidFrames(), 0u);
    EXPECT_TRUE(exists(path + "/data")); // the helper is a fake: nothing happened yet
}

TEST(UninstallInventory, ApplicationsOneLevelDeepWithoutSystemOnes)
{
    MacRoot r;
    const std::string apps = r.root + "/Applications";
    writeInfoPlist(apps + "/Editor.app", "<key>CFBundleIdentifier</key><string>com.vendor.editor</string>");
    writeInfoPlist(apps + "/Safari.app", "<key>CFBundleIdentifier</key><string>com.apple.Safari</string>");
    writeInfoPlist(apps + "/Blank.app", "<key>CFBundleIdentifier</key><string></string>");
    writeInfoPlist(apps + "/NoId.app", "");
    writeInfoPlist(apps + "/Vendor/Tool.app", "<key>CFBundleIdentifier</key><string>com.vendor.tool</string>");
    writeInfoPlist(apps + "/Vendor/Sub/Deep.app", "<key>CFBundleIdentifier</key><string>com.vendor.deep</string>");
    writeInfoPlist(r.home + "/Applications/Mine.app", "<key>CFBundleIdentifier</key><string>me.mine</string>");

    Uninstall u(r.layout);
    const auto all = u.allApps();
    EXPECT_TRUE(has(all, apps + "/Vendor/Tool.app"));
    EXPECT_FALSE(has(all, apps + "/Vendor/Sub/Deep.app"));
    EXPECT_EQ(all.front(), r.home + "/Applications/Mine.app"); // the user's folders first
    // /Applications/Utilities is a folder of its own and one level below /Applications.
    writeInfoPlist(apps + "/Utilities/Term.app", "<key>CFBundleIdentifier</key><string>com.vendor.term</string>");
    const auto again = u.allApps();
    EXPECT_EQ(std::count(again.begin(), again.end(), apps + "/Utilities/Term.app"), 2);

    const auto user = u.userInstalledApps();
    EXPECT_TRUE(has(user, apps + "/Editor.app"));
    EXPECT_TRUE(has(user, apps + "/NoId.app"));
    EXPECT_FALSE(has(user, apps + "/Safari.app"));
    EXPECT_FALSE(has(user, apps + "/Blank.app"));
    EXPECT_TRUE(u.isNoSystemApplication(apps + "/Safari.app"));
    EXPECT_FALSE(u.isNoSystemApplication(r.root + "/not-a-bundle"));
}

TEST(UninstallInventory, PluginsAndPreferencePanesBySuffix)
{
    MacRoot r;
    makeDirs(r.root + "/Library/Internet Plug-Ins/X.plugin");
    makeDirs(r.root + "/Library/Internet Plug-Ins/Y.webplugin");
    makeDirs(r.lib + "/Internet Plug-Ins/Mine.plugin");
    makeDirs(r.root + "/Library/PreferencePanes/Pane.prefPane");
    makeDirs(r.root + "/Library/PreferencePanes/Other.bundle");
    Uninstall u(r.layout);
    EXPECT_EQ(u.plugins(), (std::vector<std::string>{r.root + "/Library/Internet Plug-Ins/X.plugin",
                                                     r.lib + "/Internet Plug-Ins/Mine.plugin"}));
    EXPECT_EQ(u.configFiles(), std::vector<std::string>{r.root + "/Library/PreferencePanes/Pane.prefPane"});

    // A name with a line break is one entry: split on lines, it would be lost and a
    // forged "PreferencePanes/x.prefPane", which does not exist, offered instead.
    makeDirs(r.root + "/Library/PreferencePanes/Evil\nx.prefPane");
    EXPECT_EQ(u.configFiles(), (std::vector<std::string>{r.root + "/Library/PreferencePanes/Evil\nx.prefPane",
                                                         r.root + "/Library/PreferencePanes/Pane.prefPane"}));
}

TEST(UninstallInventory, LinuxPlugInsAreSharedObjectsThenTheUsersShellExtensions)
{
    LinuxRoot r;
    const std::string system = r.root + "/usr/lib/mozilla/plugins";
    writeFile(system + "/b.so", "b");
    writeFile(system + "/a.so", "a");
    writeFile(system + "/readme.txt", "not a plug-in");
    writeFile(system + "/.hidden.so", "h");
    makeDirs(system + "/dir.so");
    ASSERT_EQ(::symlink("a.so", (system + "/link.so").c_str()), 0);
    ASSERT_EQ(::mkfifo((system + "/fifo.so").c_str(), 0644), 0);
    writeFile(r.home + "/.mozilla/plugins/user.so", "u");

    const std::string extensions = r.home + "/.local/share/gnome-shell/extensions";
    writeFile(extensions + "/zed@example.org/metadata.json",
              R"({"uuid": "zed@example.org", "name": "Zed", "version": 7})");
    writeFile(extensions + "/mid@example.org/metadata.json", R"({"name": " Mid ", "version": "2.1"})");
    writeFile(extensions + "/broken@example.org/metadata.json", R"({"name": "Broken", "version": )");
    writeFile(extensions + "/big@example.org/metadata.json",
              R"({"name": "Big", "pad": ")" + std::string(ShellExtensions::kMetadataLimit, 'x') + "\"}");
    makeDirs(extensions + "/pipe@example.org");
    ASSERT_EQ(::mkfifo((extensions + "/pipe@example.org/metadata.json").c_str(), 0644), 0);
    makeDirs(extensions + "/empty@example.org");
    ASSERT_EQ(::symlink("zed@example.org", (extensions + "/linked@example.org").c_str()), 0);

    std::vector<std::string> listed;
    for (const Uninstall::PlugIn& p : Uninstall(r.layout).plugInList())
        listed.push_back(p.path + "|" + p.name + "|" + p.version);
    // A metadata.json that is malformed, too large or no file at all leaves the folder's
    // name and no version, and reading it never blocks; a folder without one is no
    // extension, and a link is not the user's extension folder.
    EXPECT_EQ(listed, (std::vector<std::string>{
                          system + "/a.so||",
                          system + "/b.so||",
                          r.home + "/.mozilla/plugins/user.so||",
                          extensions + "/big@example.org|big@example.org|",
                          extensions + "/broken@example.org|broken@example.org|",
                          extensions + "/mid@example.org|Mid|2.1",
                          extensions + "/pipe@example.org|pipe@example.org|",
                          extensions + "/zed@example.org|Zed|7",
                      }));
    EXPECT_TRUE(Uninstall(r.layout).configFiles().empty());
}

TEST(ShellExtensions, MetadataGivesNameAndVersionOrTheFolderName)
{
    auto read = [](const std::string& json) {
        const ShellExtension e = ShellExtensions::parseMetadata(json, "uuid@x");
        return e.name + "|" + e.version;
    };
    EXPECT_EQ(read(R"({"name": "Dock", "version": 12.0})"), "Dock|12");
    EXPECT_EQ(read(R"({"name": "Dock", "version": 1.5})"), "Dock|1.5");
    EXPECT_EQ(read(R"({"name": "Dock", "version-name": "45.1"})"), "Dock|45.1");
    EXPECT_EQ(read(R"({"name": "", "version": 3})"), "uuid@x|3");
    EXPECT_EQ(read(R"({"name": ["Dock"], "version": true})"), "uuid@x|");
    EXPECT_EQ(read(R"(["name", "Dock"])"), "uuid@x|");
    EXPECT_EQ(read("{\"name\": \"Dock\"} trailing"), "uuid@x|");
    EXPECT_EQ(read(""), "uuid@x|");
}
