// SPDX-License-Identifier: GPL-3.0-or-later
// The catalogue's path rules on the macOS-style layout, in a scratch root.
#include "JunkFixtures.h"

#include "junk/engine/SystemClean.h"
#include "junk/engine/SystemCleanTreeBuilder.h"

#include <gtest/gtest.h>

#include <sys/stat.h>

using namespace corvane;
using namespace corvane::test;

namespace {

std::vector<std::string> names(const std::vector<UserCachesSubObject::Ptr>& nodes)
{
    std::vector<std::string> out;
    for (const auto& n : nodes)
        out.push_back(n->fileName.toStdString());
    return out;
}

} // namespace

// Deletability is about who asks: the listings run in a child that is not root.
TEST(SystemCleanMac, CachesSplitByWhoMayDeleteThem)
{
    MacRoot r;
    const std::string sys = r.root + "/Library/Caches";
    const std::string user = r.lib + "/Caches";
    makeDirs(sys + "/com.vendor.daemon");  // root's, in a root folder
    writeFile(sys + "/shared.cache", "x"); // the unprivileged user's own, sticky folder
    makeDirs(user + "/com.app.mine");
    writeFile(user + "/rootowned.db", "x");
    giveToUnprivileged(user + "/com.app.mine");
    giveToUnprivileged(sys + "/shared.cache");
    // Sticky folders: each entry is its owner's to delete.
    ::chmod(sys.c_str(), 01777);
    ::chmod(user.c_str(), 01777);

    const int rc = runAsUnprivileged([&] {
        SystemClean c(r.layout);
        const auto userList = paths(c.userCaches());
        const auto sysList = paths(c.systemCaches());
        if (!has(userList, user + "/com.app.mine"))
            return 1;
        if (::geteuid() != 0 && (has(userList, user + "/rootowned.db") || has(sysList, user + "/rootowned.db")))
            return 2;
        if (!has(sysList, sys + "/com.vendor.daemon"))
            return 3;
        if (has(sysList, sys + "/shared.cache"))
            return 4; // deletable by the user: not a system cache
        return 0;
    });
    EXPECT_EQ(rc, 0);
}

TEST(SystemCleanMac, TrashListsEntriesTheUserCannotDelete)
{
    MacRoot r;
    writeFile(r.home + "/.Trash/old report.pdf", "pdf");
    makeDirs(r.home + "/.Trash/-rf");
    const int rc = runAsUnprivileged([&] {
        const auto list = paths(SystemClean(r.layout).trashFile());
        return (has(list, r.home + "/.Trash/old report.pdf") && has(list, r.home + "/.Trash/-rf")) ? 0 : 1;
    });
    EXPECT_EQ(rc, 0);
}

TEST(SystemCleanMac, LogsOfTheHiddenLibraryAndTheSystem)
{
    MacRoot r;
    writeFile(r.lib + "/Logs/app.log", "log");
    writeFile(r.root + "/Library/Logs/DiagnosticReports/x.crash", "c");
    writeFile(r.root + "/private/var/log/system.log", "s");
    // A Logs folder with something in it is offered whole; an empty one is not.
    writeFile(r.lib + "/Containers/com.a/Data/Library/Logs/a.log", "a");
    makeDirs(r.lib + "/Containers/com.b/Data/Library/Logs");
    makeDirs(r.lib + "/Containers/com.b/Data/Library/Logs2/x");

    SystemClean c(r.layout);
    EXPECT_EQ(paths(c.userLogs()), paths(c.hiddenUserLogs()));
    EXPECT_TRUE(has(paths(c.userLogs()), r.lib + "/Logs/app.log"));
    const auto sys = paths(c.systemLogs());
    EXPECT_TRUE(has(sys, r.root + "/Library/Logs/DiagnosticReports"));
    EXPECT_TRUE(has(sys, r.root + "/private/var/log/system.log"));
    EXPECT_TRUE(has(sys, r.lib + "/Containers/com.a/Data/Library/Logs"));
    EXPECT_FALSE(has(sys, r.lib + "/Containers/com.b/Data/Library/Logs"));
    // Order: library logs, then containers, then private logs.
    const auto lib = std::find(sys.begin(), sys.end(), r.root + "/Library/Logs/DiagnosticReports");
    const auto cont = std::find(sys.begin(), sys.end(), r.lib + "/Containers/com.a/Data/Library/Logs");
    const auto priv = std::find(sys.begin(), sys.end(), r.root + "/private/var/log/system.log");
    EXPECT_LT(lib, cont);
    EXPECT_LT(cont, priv);
}

// Folder names with line breaks inside a container must not make find's output name a
// Logs folder that lies outside the containers.
TEST(SystemCleanMac, ContainerNamesWithLineBreaksCannotPointOutside)
{
    MacRoot r;
    const std::string victim = r.home + "/Important/Logs";
    writeFile(victim + "/keep.txt", "precious");
    writeFile(r.lib + "/Containers/com.a/Data/Library/Logs/a.log", "a");
    // Printed one path per line, this folder reads: "<Containers>/evil", victim, victim + "/keep.txt".
    makeDirs(r.lib + "/Containers/evil\n" + victim + "\n" + victim + "/keep.txt");

    const auto logs = paths(SystemClean(r.layout).containerLog());
    EXPECT_FALSE(has(logs, victim));
    for (const std::string& p : logs)
        EXPECT_EQ(p.rfind(r.lib + "/Containers/", 0), 0u) << p;
    EXPECT_TRUE(has(logs, r.lib + "/Containers/com.a/Data/Library/Logs"));
}

TEST(SystemCleanMac, ChromeAbsentGivesNothingAndPresentIsSorted)
{
    MacRoot r;
    SystemClean c(r.layout);
    EXPECT_TRUE(paths(c.gooleCookies()).empty());
    EXPECT_TRUE(paths(c.gooleWebcache()).empty());

    const std::string profile = r.lib + "/Application Support/Google/Chrome/Default";
    writeFile(profile + "/Cookies", std::string(100, 'c'));
    writeFile(profile + "/Last Session", "s");
    writeFile(profile + "/Last Tabs", "t");
    writeFile(profile + "/History", "h");
    writeFile(profile + "/Bookmarks", "b"); // never offered
    writeFile(r.lib + "/Caches/Google/Chrome/Default/Cache/data_1", std::string(1000, 'd'));
    EXPECT_EQ(paths(c.gooleCookies()).size(), 5u);

    const auto groups = SystemCleanTreeBuilder(c, [] { return false; }).build(JunkCategory::Browsers);
    ASSERT_EQ(groups.size(), 2u); // Chrome, and Safari for its always-listed LocalStorage
    const auto& chrome = groups[0];
    EXPECT_EQ(chrome->fileName.toStdString(), "Chrome");
    EXPECT_EQ(chrome->state.load(), UserCachesSubObject::State::Mixed);
    EXPECT_EQ(names(chrome->listArray),
              (std::vector<std::string>{"Cookies", "最近的会话", "最近的标签页", "浏览/下载历史", "网页缓存"}));
    for (const auto& sub : chrome->listArray) {
        const auto expected = sub->fileName == QStringLiteral("网页缓存") ? UserCachesSubObject::State::On
                                                                          : UserCachesSubObject::State::Off;
        EXPECT_EQ(sub->state.load(), expected);
        for (const auto& item : sub->listArray)
            EXPECT_EQ(item->state.load(), expected);
    }
    EXPECT_DOUBLE_EQ(chrome->fileSize, 100 + 1 + 1 + 1 + 1000);
}

TEST(SystemCleanMac, SafariRules)
{
    MacRoot r;
    SystemClean c(r.layout);
    // LocalStorage is listed whether it exists or not.
    EXPECT_EQ(paths(c.safariWebCaches()), std::vector<std::string>{r.lib + "/Safari/LocalStorage"});
    // Without Icons/WebpageIcons.db no icon database is listed, even Safari's own.
    writeFile(r.lib + "/Safari/WebpageIcons.db", "i");
    EXPECT_TRUE(paths(c.safariWebIcon()).empty());
    writeFile(r.lib + "/Icons/WebpageIcons.db", "i");
    EXPECT_EQ(paths(c.safariWebIcon()),
              (std::vector<std::string>{r.lib + "/Icons/WebpageIcons.db", r.lib + "/Safari/WebpageIcons.db"}));

    writeFile(r.lib + "/Cookies/Cookies.plist", "c"); // no lower-case "cookies"
    writeFile(r.lib + "/Cookies/com.x.binarycookies", "c");
    EXPECT_EQ(paths(c.safariCookies()), std::vector<std::string>{r.lib + "/Cookies/com.x.binarycookies"});

    writeFile(r.lib + "/Safari/History.db", "h");
    writeFile(r.lib + "/Caches/Metadata/Safari/History/x", "h");
    writeFile(r.lib + "/Safari/Downloads.plist", "d");
    writeFile(r.lib + "/Safari/Form Values", "f");
    const auto history = paths(c.safariHistory());
    ASSERT_EQ(history.size(), 2u);
    EXPECT_EQ(history[0], r.lib + "/Caches/Metadata/Safari/History");
    EXPECT_EQ(history[1], r.lib + "/Safari/History.db");
    EXPECT_EQ(paths(c.safariDownHistory()).size(), 1u);
    EXPECT_TRUE(paths(c.safariLastSession()).empty());
    EXPECT_EQ(paths(c.safariForms()).size(), 1u);

    // In the tree only web icons and web caches start checked.
    const auto groups = SystemCleanTreeBuilder(c, [] { return false; }).build(JunkCategory::Browsers);
    ASSERT_EQ(groups.size(), 1u);
    for (const auto& sub : groups[0]->listArray) {
        const bool on = sub->fileName == QStringLiteral("网页图标") || sub->fileName == QStringLiteral("网页缓存");
        EXPECT_EQ(sub->state.load(), on ? UserCachesSubObject::State::On : UserCachesSubObject::State::Off)
            << sub->fileName.toStdString();
    }
}

TEST(SystemCleanMac, DownloadsPreselectExactlyDmgAndPkg)
{
    MacRoot r;
    for (const char* n : {"setup.dmg", "tool.pkg", "setup.DMG", "notes.txt", "archive.dmg.part"})
        writeFile(r.home + "/Downloads/" + n, "x");
    SystemClean c(r.layout);
    const auto groups = SystemCleanTreeBuilder(c, [] { return false; }).build(JunkCategory::Downloads);
    ASSERT_EQ(groups.size(), 1u);
    EXPECT_EQ(groups[0]->state.load(), UserCachesSubObject::State::Mixed);
    int checked = 0;
    for (const auto& item : groups[0]->listArray) {
        const std::string name = item->filePath.substr(item->filePath.rfind('/') + 1);
        const bool on = name == "setup.dmg" || name == "tool.pkg";
        EXPECT_EQ(item->state.load(), on ? UserCachesSubObject::State::On : UserCachesSubObject::State::Off) << name;
        checked += item->state.load() == UserCachesSubObject::State::On;
    }
    EXPECT_EQ(checked, 2);
}

TEST(SystemCleanMac, StopFlagEndsListingsAndTreeBuilding)
{
    MacRoot r;
    for (int i = 0; i < 50; ++i)
        writeFile(r.lib + "/Caches/c" + std::to_string(i), std::string(10, 'x'));
    SystemClean c(r.layout);
    EXPECT_EQ(paths(c.userCaches()).size(), 50u);
    c.setIsStop(true);
    EXPECT_TRUE(paths(c.userCaches()).empty());
    EXPECT_TRUE(paths(c.safariWebCaches()).empty());
    c.setIsStop(false);

    // Stopped after a handful of items: what was added is a prefix of the listing, each
    // item sized, and nothing after the stop.
    std::atomic<int> asked{0};
    SystemCleanTreeBuilder builder(
        c, [&] { return ++asked > 7; }, [](const AnchoredPath&) { return uint64_t(10); });
    const auto groups = builder.build(JunkCategory::Caches);
    ASSERT_EQ(groups.size(), 1u);
    const size_t n = groups[0]->listArray.size();
    EXPECT_GT(n, 0u);
    EXPECT_LT(n, 50u);
    const auto listing = paths(c.userCaches());
    for (size_t i = 0; i < n; ++i)
        EXPECT_EQ(groups[0]->listArray[i]->filePath, listing[i]);
    EXPECT_DOUBLE_EQ(groups[0]->fileSize, 10.0 * double(n));
}
