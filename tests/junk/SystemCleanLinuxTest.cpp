// SPDX-License-Identifier: GPL-3.0-or-later
// The Linux layout's safety rules: only regenerable caches, rotated log files, the
// Trash kept consistent. HOME and XDG_* point into a scratch folder; machine folders
// live under the scratch root.
#include "JunkFixtures.h"

#include "junk/engine/SystemClean.h"
#include "junk/engine/SystemCleanTreeBuilder.h"
#include "uninstall/engine/Uninstall.h"

#include <gtest/gtest.h>

#include <cstdlib>
#include <sys/socket.h>
#include <sys/stat.h>
#include <sys/un.h>

using namespace corvane;
using namespace corvane::test;

namespace {


bool anyUnder(const std::vector<std::string>& list, const std::string& folder)
{
    for (const auto& p : list)
        if (p.rfind(folder, 0) == 0)
            return true;
    return false;
}

} // namespace

TEST(SystemCleanLinux, SystemCachesOnlyFromTheAllowList)
{
    LinuxRoot r;
    const std::string vc = r.root + "/var/cache";
    writeFile(vc + "/debconf/config.dat", "answers");
    writeFile(vc + "/debconf/passwords.dat", "secret");
    writeFile(vc + "/bind/zone.db", "zone");
    writeFile(vc + "/private/state", "s");
    writeFile(vc + "/ldconfig/aux-cache", "l");
    writeFile(vc + "/unknown-tool/blob", "u");
    writeFile(vc + "/man/index.db", "idx");
    writeFile(vc + "/man/fr/index.db", "idx");
    writeFile(vc + "/man/cat1/ls.1.gz", "cat");
    writeFile(vc + "/man/CACHEDIR.TAG", "tag");
    writeFile(vc + "/fontconfig/abc-le64.cache-8", "fc");
    writeFile(vc + "/apt/archives/tool_1.0_amd64.deb", "deb");
    writeFile(vc + "/apt/archives/lock", "");
    writeFile(vc + "/apt/archives/partial/half.deb", "d");
    writeFile(vc + "/apt/pkgcache.bin", "p");

    const auto list = paths(SystemClean(r.layout).systemCaches());
    for (const char* never : {"/debconf", "/bind", "/private", "/ldconfig", "/unknown-tool", "/apt/archives/partial"})
        EXPECT_FALSE(anyUnder(list, vc + never)) << never;
    EXPECT_FALSE(has(list, vc + "/apt/archives/lock"));
    EXPECT_FALSE(has(list, vc + "/man/CACHEDIR.TAG"));
    for (const char* offered : {"/man/index.db", "/man/fr/index.db", "/man/cat1/ls.1.gz", "/fontconfig/abc-le64.cache-8",
                                "/apt/archives/tool_1.0_amd64.deb", "/apt/pkgcache.bin"})
        EXPECT_TRUE(has(list, vc + offered)) << offered;
    // Files only: the folders stay for their programs.
    EXPECT_FALSE(has(list, vc + "/man/fr"));
}

TEST(SystemCleanLinux, LogsAreRotatedFilesNeverFoldersOrAccounting)
{
    LinuxRoot r;
    const std::string vl = r.root + "/var/log";
    for (const char* f : {"/syslog", "/syslog.1", "/dpkg.log.2.gz", "/apt/history.log.1.gz", "/apt/term.log",
                          "/wtmp", "/wtmp.1", "/btmp.1", "/lastlog", "/journal/abc/system@x.journal~",
                          "/journal/abc/user.journal.1", "/Xorg.0.log.old", "/messages-20240101"})
        writeFile(vl + f, "log");
    const auto list = paths(SystemClean(r.layout).systemLogs());
    EXPECT_TRUE(has(list, vl + "/syslog.1"));
    EXPECT_TRUE(has(list, vl + "/dpkg.log.2.gz"));
    EXPECT_TRUE(has(list, vl + "/apt/history.log.1.gz"));
    EXPECT_TRUE(has(list, vl + "/Xorg.0.log.old"));
    EXPECT_TRUE(has(list, vl + "/messages-20240101"));
    for (const char* never : {"/syslog", "/apt/term.log", "/apt", "/wtmp", "/wtmp.1", "/btmp.1", "/lastlog"})
        EXPECT_FALSE(has(list, vl + never)) << never;
    EXPECT_FALSE(anyUnder(list, vl + "/journal"));
    EXPECT_FALSE(has(list, vl));

    // The user's: rotated logs in the state folder, never the folder or current logs.
    const std::string st = r.home + "/.local/state";
    writeFile(st + "/app/app.log", "l");
    writeFile(st + "/app/app.log.1", "l");
    writeFile(st + "/app/history.1", "not a log"); // rotated name, but not a log
    writeFile(st + "/other/logs/run.3", "l");      // inside a log folder
    writeFile(r.home + "/.xsession-errors.old", "x");
    const auto user = paths(SystemClean(r.layout).userLogs());
    EXPECT_TRUE(has(user, st + "/app/app.log.1"));
    EXPECT_TRUE(has(user, st + "/other/logs/run.3"));
    EXPECT_TRUE(has(user, r.home + "/.xsession-errors.old"));
    EXPECT_FALSE(has(user, st + "/app/app.log"));
    EXPECT_FALSE(has(user, st + "/app/history.1"));
    EXPECT_FALSE(has(user, st + "/app"));
}

TEST(SystemCleanLinux, UserCachesSkipSocketsFifosAndLocks)
{
    LinuxRoot r;
    const std::string cache = r.home + "/.cache";
    makeDirs(cache + "/thumbnails");
    writeFile(cache + "/app.lock", "");
    writeFile(cache + "/lock", "");
    ASSERT_EQ(::mkfifo((cache + "/pipe").c_str(), 0600), 0);
    const int s = ::socket(AF_UNIX, SOCK_STREAM, 0);
    sockaddr_un addr{};
    addr.sun_family = AF_UNIX;
    const std::string sock = cache + "/s";
    std::snprintf(addr.sun_path, sizeof addr.sun_path, "%s", sock.c_str());
    ASSERT_EQ(::bind(s, reinterpret_cast<sockaddr*>(&addr), sizeof addr), 0);

    const auto list = paths(SystemClean(r.layout).userCaches());
    EXPECT_EQ(list, std::vector<std::string>{cache + "/thumbnails"});
    ::close(s);
}

TEST(SystemCleanLinux, DownloadsFromUserDirsAndNeverTheHomeFolder)
{
    LinuxRoot r;
    writeFile(r.home + "/notes.txt", "keep me");
    writeFile(r.home + "/.config/user-dirs.dirs", "XDG_DOWNLOAD_DIR=\"$HOME/\"\n");
    r.reload();
    EXPECT_TRUE(paths(SystemClean(r.layout).downloadFile()).empty());
    writeFile(r.home + "/.config/user-dirs.dirs", "XDG_DOWNLOAD_DIR=\"$HOME\"\n");
    r.reload();
    EXPECT_TRUE(paths(SystemClean(r.layout).downloadFile()).empty());

    writeFile(r.home + "/.config/user-dirs.dirs", "XDG_DOWNLOAD_DIR=\"$HOME/Téléchargements\"\n");
    r.reload();
    writeFile(r.home + "/Téléchargements/setup.pkg", "p");
    EXPECT_EQ(paths(SystemClean(r.layout).downloadFile()), std::vector<std::string>{r.home + "/Téléchargements/setup.pkg"});
}

TEST(SystemCleanLinux, ChromeThenChromiumAndNoSafari)
{
    LinuxRoot r;
    writeFile(r.home + "/.config/chromium/Default/Cookies", "c");
    writeFile(r.home + "/.cache/chromium/Default/Cache/Cache_Data/f_0001", "d");
    SystemClean c(r.layout);
    EXPECT_EQ(paths(c.gooleCookies()), std::vector<std::string>{r.home + "/.config/chromium/Default/Cookies"});
    EXPECT_EQ(paths(c.gooleWebcache()), std::vector<std::string>{r.home + "/.cache/chromium/Default/Cache/Cache_Data"});
    // Chrome present: Chromium is not looked at.
    writeFile(r.home + "/.config/google-chrome/Default/History", "h");
    EXPECT_EQ(paths(c.gooleCookies()), std::vector<std::string>{r.home + "/.config/google-chrome/Default/History"});
    EXPECT_TRUE(paths(c.gooleWebcache()).empty());
    for (auto listing : {&SystemClean::safariCookies, &SystemClean::safariDownHistory, &SystemClean::safariLastSession,
                         &SystemClean::safariHistory, &SystemClean::safariWebIcon, &SystemClean::safariWebCaches,
                         &SystemClean::safariForms})
        EXPECT_TRUE((c.*listing)().empty());
}

TEST(SystemCleanLinux, DeletingATrashEntryDropsItsRecords)
{
    LinuxRoot r;
    const std::string trash = r.home + "/.local/share/Trash";
    writeFile(trash + "/files/report.pdf", "pdf");
    writeFile(trash + "/info/report.pdf.trashinfo", "[Trash Info]\nPath=/x/report.pdf\n");
    writeFile(trash + "/files/my photos/a.jpg", "jpg");
    writeFile(trash + "/info/my photos.trashinfo", "[Trash Info]\nPath=/x/my%20photos\n");
    writeFile(trash + "/files/kept", "k");
    writeFile(trash + "/info/kept.trashinfo", "[Trash Info]\nPath=/x/kept\n");
    writeFile(trash + "/directorysizes", "3 1700000000 my%20photos\n9 1700000001 other\n");

    const auto listed = paths(SystemClean(r.layout).trashFile());
    ASSERT_EQ(listed.size(), 3u);
    EXPECT_EQ(Uninstall(r.layout).unInstall(trash + "/files/report.pdf"), Uninstall::Outcome::Removed);
    EXPECT_EQ(Uninstall(r.layout).unInstall(trash + "/files/my photos"), Uninstall::Outcome::Removed);
    EXPECT_FALSE(exists(trash + "/files/report.pdf"));
    EXPECT_FALSE(exists(trash + "/info/report.pdf.trashinfo"));
    EXPECT_FALSE(exists(trash + "/files/my photos"));
    EXPECT_FALSE(exists(trash + "/info/my photos.trashinfo"));
    EXPECT_EQ(readFile(trash + "/directorysizes"), "9 1700000001 other\n");
    EXPECT_TRUE(exists(trash + "/info/kept.trashinfo"));
    EXPECT_TRUE(exists(trash + "/files/kept"));
}

TEST(SystemCleanLinux, RotatedLogNames)
{
    for (const char* yes : {"syslog.1", "a.log.12", "x.gz", "kern.log.2.xz", "Xorg.0.log.old", "messages-20240131"})
        EXPECT_TRUE(SystemClean::isRotatedLogName(yes)) << yes;
    for (const char* no : {"syslog", "a.log", ".1", "1", "gz", "old", "x-2024", "v1"})
        EXPECT_FALSE(SystemClean::isRotatedLogName(no)) << no;
}
