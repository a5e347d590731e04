// SPDX-License-Identifier: GPL-3.0-or-later
// An application's leftovers on both layouts: what is found and in which order, what a
// hostile name can and cannot reach, and the list that removes them.
#include "junk/JunkFixtures.h"
#include "support/DesktopFixtures.h"

#include "platform/DesktopApps.h"
#include "platform/Layout.h"
#include "uninstall/engine/LeftoverListModel.h"
#include "uninstall/engine/RelatedAppFilesScanner.h"

#include <QCoreApplication>
#include <QSignalSpy>

#include <gtest/gtest.h>

#include <csignal>
#include <spawn.h>
#include <sys/stat.h>
#include <sys/wait.h>
#include <unistd.h>

extern char** environ;

using namespace corvane;
using namespace corvane::test;

namespace {

std::string xmlEscaped(const std::string& text)
{
    std::string out;
    for (char c : text) {
        if (c == '<')
            out += "&lt;";
        else if (c == '&')
            out += "&amp;";
        else
            out += c;
    }
    return out;
}

// A bundle whose Info.plist holds exactly the keys given (an empty value is written as
// an empty string; a missing one is left out).
void makeBundle(const std::string& path, const std::string& name, const std::string& identifier,
                const std::string& executable = {})
{
    std::string dict;
    const auto key = [&dict](const char* k, const std::string& v) {
        if (v != "-")
            dict += std::string("<key>") + k + "</key><string>" + xmlEscaped(v) + "</string>";
    };
    key("CFBundleName", name);
    key("CFBundleIdentifier", identifier);
    if (!executable.empty())
        key("CFBundleExecutable", executable);
    writeFile(path + "/Contents/Info.plist",
              "<?xml version=\"1.0\" encoding=\"UTF-8\"?>\n<plist version=\"1.0\"><dict>" + dict + "</dict></plist>\n");
}

std::vector<std::string> pathsOf(const std::vector<Item>& items, const std::string& strip)
{
    std::vector<std::string> out;
    for (const Item& item : items)
        out.push_back(item.path().rfind(strip, 0) == 0 ? item.path().substr(strip.size()) : item.path());
    return out;
}

struct LinuxHome
{
    TempDir tmp;
    std::string home = tmp / "home";
    Layout layout{Layout::Kind::Linux, tmp / "root", home, "tester"};

    LinuxHome()
    {
        for (const char* v : {"XDG_DATA_HOME", "XDG_CONFIG_HOME", "XDG_CACHE_HOME", "XDG_STATE_HOME"})
            ::unsetenv(v);
        makeDirs(home + "/Applications");
    }
};

void waitLoaded(LeftoverListModel& model)
{
    model.waitForIdle();
    ASSERT_FALSE(model.isLoading());
}

} // namespace

TEST(RelatedFiles, MacLayoutListsEveryPlaceInOrderWithoutMerging)
{
    MacRoot r;
    const std::string app = r.root + "/Applications/Same.app";
    makeBundle(app, "Same", "Same"); // name and identifier alike: each place twice
    const std::string& lib = r.lib;
    const std::string sys = r.root + "/Library";
    for (const std::string& p :
         {lib + "/Application Support/Same", sys + "/Application Support/Same", lib + "/Caches/Same",
          lib + "/Caches/Metadata/Same", sys + "/Caches/Same", lib + "/Same", lib + "/Containers/Same"})
        makeDirs(p);
    writeFile(lib + "/Preferences/Same.plist", "p");
    writeFile(lib + "/Application Support/Growl/Tickets/Same.growlTicket", "g");
    writeFile(lib + "/Saved Application State/Same.savedState/x", "s");
    // A log folder in another letter case, files in it named after the application, and
    // an unrelated log.
    writeFile(lib + "/Logs/SAME/same-1.log", "1");
    writeFile(lib + "/Logs/SAME/other.log", "o");
    writeFile(lib + "/Logs/Unrelated.log", "u");

    const auto items = RelatedAppFilesScanner::relatedFilesToApplicationAtPath(app, r.layout);
    const std::vector<std::string> expected = {
        "/Applications/Same.app",
        "/Users/tester/Library/Application Support/Same",
        "/Users/tester/Library/Application Support/Same",
        "/Library/Application Support/Same",
        "/Library/Application Support/Same",
        "/Users/tester/Library/Preferences/Same.plist",
        "/Users/tester/Library/Application Support/Growl/Tickets/Same.growlTicket",
        "/Users/tester/Library/Caches/Same",
        "/Users/tester/Library/Caches/Same",
        "/Users/tester/Library/Caches/Metadata/Same",
        "/Users/tester/Library/Caches/Metadata/Same",
        "/Library/Caches/Same",
        "/Library/Caches/Same",
        "/Users/tester/Library/Same",
        "/Users/tester/Library/Same",
        "/Users/tester/Library/Containers/Same",
        "/Users/tester/Library/Containers/Same",
        "/Users/tester/Library/Logs/SAME",
        "/Users/tester/Library/Logs/SAME/same-1.log",
        "/Users/tester/Library/Logs/SAME",
        "/Users/tester/Library/Logs/SAME/same-1.log",
        "/Users/tester/Library/Saved Application State/Same.savedState",
    };
    std::vector<std::string> got = pathsOf(items, r.root);
    // find prints a folder before what it holds; within a folder its order is the disk's.
    EXPECT_EQ(got, expected);
    for (const Item& item : items)
        EXPECT_TRUE(item.checked());
    EXPECT_EQ(Item(r.root + "/Library/Caches/x").displayName(), QString::fromStdString("x\n" + r.root + "/Library/Caches"));
}

TEST(RelatedFiles, HostileNamesReachNothingButTheirOwnLeftovers)
{
    MacRoot r;
    const std::string lib = r.lib;
    makeDirs(lib + "/Preferences");
    makeDirs(lib + "/Application Support");
    writeFile(lib + "/Logs/Axb.log", "not ours");
    writeFile(lib + "/Logs/A*[b-1.log", "ours");
    writeFile(lib + "/Logs/$(touch x).log", "ours");
    writeFile(lib + "/Logs/Bytes\xff\xfe.log", "ours, not UTF-8");
    struct Case
    {
        std::string name;
        std::string identifier;
        std::vector<std::string> expected; // below the root, after the application
    };
    const Case cases[] = {
        {"..", "-", {}},
        {"a/b", "-", {}},
        {"Preferences", "-", {}}, // the Library's own folder is never a leftover
        {"Application Support", "-", {}},
        {"Logs", "-", {}},
        {"A*[b", "-", {"/Users/tester/Library/Logs/A*[b-1.log"}},
        {"$(touch x)", "-", {"/Users/tester/Library/Logs/$(touch x).log"}},
        {"two\nlines", "-", {}},
        {"Bytes", "-", {"/Users/tester/Library/Logs/Bytes\xff\xfe.log"}},
        // An empty identifier would name the support folder itself.
        {"Nothing", "", {}},
    };
    const std::string cwd = r.root + "/cwd";
    makeDirs(cwd);
    char previous[4096];
    ASSERT_NE(::getcwd(previous, sizeof previous), nullptr);
    ASSERT_EQ(::chdir(cwd.c_str()), 0);
    int n = 0;
    for (const Case& c : cases) {
        const std::string app = r.root + "/Applications/Hostile" + std::to_string(++n) + ".app";
        makeBundle(app, c.name, c.identifier, "Hostile");
        const auto items = RelatedAppFilesScanner::relatedFilesToApplicationAtPath(app, r.layout);
        ASSERT_FALSE(items.empty()) << c.name;
        std::vector<std::string> got = pathsOf(items, r.root);
        got.erase(got.begin());
        EXPECT_EQ(got, c.expected) << c.name;
        EXPECT_FALSE(exists(cwd + "/x")) << "a name was run: " << c.name;
    }
    ASSERT_EQ(::chdir(previous), 0);

    // No name at all: nothing, not even the application. A name falls back to the executable.
    const std::string bare = r.root + "/Applications/Bare.app";
    makeBundle(bare, "", "org.bare");
    EXPECT_TRUE(RelatedAppFilesScanner::relatedFilesToApplicationAtPath(bare, r.layout).empty());
    makeDirs(lib + "/Caches/BareExec");
    makeBundle(bare, "", "org.bare", "BareExec");
    EXPECT_EQ(pathsOf(RelatedAppFilesScanner::relatedFilesToApplicationAtPath(bare, r.layout), r.root),
              (std::vector<std::string>{"/Applications/Bare.app", "/Users/tester/Library/Caches/BareExec"}));
    // A folder without an information dictionary is no application.
    makeDirs(r.root + "/Applications/Plain.app/Contents");
    EXPECT_TRUE(RelatedAppFilesScanner::relatedFilesToApplicationAtPath(r.root + "/Applications/Plain.app", r.layout)
                    .empty());
}

TEST(RelatedFiles, LinuxLayoutLooksInTheUsersFoldersAndLaunchers)
{
    LinuxHome h;
    const std::string app = h.home + "/Applications/Tool.app";
    makeBundle(app, "Tool", "org.example.Tool");
    const std::string& home = h.home;
    makeDirs(home + "/.local/share/Tool");
    makeDirs(home + "/.config/tool"); // the lower-case spelling
    makeDirs(home + "/.cache/org.example.Tool");
    makeDirs(home + "/.var/app/org.example.Tool");
    makeDirs(home + "/.local/state/Tool");
    makeDirs(home + "/Documents");
    writeFile(home + "/Documents/keep.txt", "precious");
    ASSERT_EQ(::symlink((home + "/Documents").c_str(), (home + "/.cache/Tool").c_str()), 0);
    // The package manager's folders are never looked at.
    makeDirs(h.tmp / "root/usr/share/Tool");
    writeFile(home + "/.local/share/applications/tool.desktop",
              "[Desktop Entry]\nType=Application\nName=Tool\nExec=\"" + app + "/Contents/MacOS/tool\" %U\n");
    writeFile(home + "/.local/share/applications/other.desktop",
              "[Desktop Entry]\nType=Application\nName=Other\nExec=/usr/bin/other\n");
    writeFile(home + "/.config/autostart/tool.desktop",
              "[Desktop Entry]\nType=Application\nName=Tool\nExec=/bin/true\nTryExec=" + app + "\n");

    const auto items = RelatedAppFilesScanner::relatedFilesToApplicationAtPath(app, h.layout);
    EXPECT_EQ(pathsOf(items, home), (std::vector<std::string>{
                                        "/Applications/Tool.app",
                                        "/.local/share/Tool",
                                        "/.config/tool",
                                        "/.cache/Tool",
                                        "/.cache/org.example.Tool",
                                        "/.local/share/Tool",
                                        "/.var/app/org.example.Tool",
                                        "/.local/state/Tool",
                                        "/.local/share/applications/tool.desktop",
                                        "/.config/autostart/tool.desktop",
                                    }));

    // The link is listed and measured as the link, and removing it leaves its target.
    LeftoverListModel model(h.layout, LeftoverListModel::Mode::Sheet);
    model.load(app);
    waitLoaded(model);
    ASSERT_EQ(model.rowCount(), 10);
    struct stat st;
    ASSERT_EQ(::lstat((home + "/.cache/Tool").c_str(), &st), 0);
    EXPECT_EQ(model.index(3).data(LeftoverListModel::SizeRole).value<quint64>(), quint64(st.st_size));
    // Listed twice, a folder counts once.
    EXPECT_EQ(model.summaryCount(), 9);
    for (int row = 0; row < model.rowCount(); ++row)
        model.setChecked(row, row == 3);
    QSignalSpy finished(&model, &LeftoverListModel::removalFinished);
    ASSERT_TRUE(model.removeTicked());
    model.waitForIdle();
    ASSERT_EQ(finished.size(), 1);
    EXPECT_EQ(finished.at(0).at(0).toInt(), 0); // the application stayed
    EXPECT_FALSE(exists(home + "/.cache/Tool"));
    EXPECT_EQ(readFile(home + "/Documents/keep.txt"), "precious");
    EXPECT_EQ(model.rowCount(), 9);
}

// A Flatpak's leftovers are its sandbox data and launchers that run it; an AppImage's
// include what desktop integration installed under the image's own key, and nothing of
// another image's.
TEST(RelatedFiles, FlatpaksAndAppImagesBringTheirOwnIntegration)
{
    LinuxHome h;
    const std::string& home = h.home;
    const std::string installation = home + "/.local/share/flatpak";
    makeFlatpak(installation, {"org.example.Flat", "Application",
                               "[Desktop Entry]\nType=Application\nName=Flat\nExec=flat\n", ""});
    makeDirs(home + "/.var/app/org.example.Flat/config");
    writeFile(home + "/.local/share/applications/flat.desktop",
              "[Desktop Entry]\nType=Application\nName=Flat\nExec=flatpak run org.example.Flat\n"
              "X-Flatpak=org.example.Flat\n");
    const std::string flat = installation + "/app/org.example.Flat";
    EXPECT_EQ(pathsOf(RelatedAppFilesScanner::relatedFilesToApplicationAtPath(flat, h.layout), home),
              (std::vector<std::string>{"/.local/share/flatpak/app/org.example.Flat", "/.var/app/org.example.Flat",
                                        "/.local/share/applications/flat.desktop"}));

    const std::string image = home + "/Applications/Viewer.AppImage";
    ASSERT_TRUE(makeAppImage(image, "/bin/true", "org.example.Viewer.desktop",
                             "[Desktop Entry]\nType=Application\nName=Viewer\nExec=viewer\n", "viewer"));
    const std::string key = DesktopApps::appImageIntegrationPrefix(image);
    ASSERT_FALSE(key.empty());
    writeFile(home + "/.local/share/icons/hicolor/48x48/apps/" + key + "_viewer.png", "png");
    writeFile(home + "/.local/share/icons/hicolor/48x48/apps/appimagekit_0123_viewer.png", "another image's");
    writeFile(home + "/.local/share/applications/" + key + "-viewer.desktop",
              "[Desktop Entry]\nType=Application\nName=Viewer\nExec=" + image + " %U\n");
    makeDirs(home + "/.config/viewer");
    EXPECT_EQ(pathsOf(RelatedAppFilesScanner::relatedFilesToApplicationAtPath(image, h.layout), home),
              (std::vector<std::string>{"/Applications/Viewer.AppImage", "/.config/viewer",
                                        "/.local/share/icons/hicolor/48x48/apps/" + key + "_viewer.png",
                                        "/.local/share/applications/" + key + "-viewer.desktop"}));
}

// A searched folder that is a link to the home folder, or is the home folder: an
// application named like one of the user's own folders finds nothing there.
TEST(RelatedFiles, ASearchedFolderThatIsTheHomeOffersNoneOfIt)
{
    LinuxHome h;
    makeDirs(h.home + "/Documents");
    makeDirs(h.home + "/.local/share");
    ASSERT_EQ(::symlink(h.home.c_str(), (h.home + "/.cache").c_str()), 0);
    ASSERT_EQ(::symlink(h.home.c_str(), (h.home + "/.local/state").c_str()), 0);
    for (const char* name : {"Documents", ".ssh", ".local"}) {
        makeDirs(h.home + "/.ssh");
        const std::string app = h.home + "/Applications/" + std::string(name) + "-app.app";
        makeBundle(app, name, "org.example.x");
        EXPECT_EQ(pathsOf(RelatedAppFilesScanner::relatedFilesToApplicationAtPath(app, h.layout), h.home),
                  std::vector<std::string>{"/Applications/" + std::string(name) + "-app.app"})
            << name;
    }
    // The settings folder set to the home folder itself: the user's folder named like the
    // application is no leftover of it.
    makeDirs(h.home + "/projects");
    ::setenv("XDG_CONFIG_HOME", h.home.c_str(), 1);
    const std::string app = h.home + "/Applications/projects.app";
    makeBundle(app, "projects", "org.example.projects");
    const auto items = RelatedAppFilesScanner::relatedFilesToApplicationAtPath(app, h.layout);
    ::unsetenv("XDG_CONFIG_HOME");
    EXPECT_EQ(pathsOf(items, h.home), std::vector<std::string>{"/Applications/projects.app"});
}

TEST(LeftoverList, TicksSummaryAndRemovalFollowTheList)
{
    MacRoot r;
    const std::string app = r.root + "/Applications/Kit.app";
    makeBundle(app, "Kit", "org.kit");
    writeSized(r.lib + "/Logs/Kit/kit.log", 1000);
    writeSized(r.lib + "/Caches/org.kit/blob", 500);
    LeftoverListModel model(r.layout, LeftoverListModel::Mode::Sheet);
    QSignalSpy states(&model, &LeftoverListModel::selectAllStateChanged);
    model.load(app);
    waitLoaded(model);
    // The application, the cache, the log folder and the log file inside it.
    ASSERT_EQ(model.rowCount(), 4);
    const uint64_t appBytes = model.index(0).data(LeftoverListModel::SizeRole).value<quint64>();
    // The log file is inside the listed log folder: its bytes count once.
    EXPECT_EQ(model.summaryBytes(), appBytes + 1500);
    const QString summary = model.summaryText();
    EXPECT_TRUE(summary.startsWith(QStringLiteral("存在 4 个相关文件,强力卸载可节省 "))) << summary.toStdString();

    EXPECT_EQ(model.selectAllState(), 1);
    model.setChecked(1, false);
    EXPECT_EQ(model.selectAllState(), -1);
    model.setChecked(2, false);
    model.setChecked(3, false);
    model.setChecked(0, false);
    EXPECT_EQ(model.selectAllState(), 0);
    EXPECT_EQ(states.last().at(0).toInt(), 0);
    for (int row = 0; row < 4; ++row)
        model.setChecked(row, true);
    EXPECT_EQ(model.selectAllState(), 1);
    model.setChecked(2, false);
    EXPECT_EQ(model.selectAllClicked(-1), 1); // a mixed box ticks everything
    EXPECT_EQ(model.selectAllState(), 1);
    EXPECT_EQ(model.selectAllClicked(0), 0);
    EXPECT_EQ(model.selectAllState(), 0);
    EXPECT_EQ(model.summaryText(), summary); // ticks never change the summary
    EXPECT_FALSE(model.removeTicked());      // nothing ticked, nothing to do

    // Leftovers only: the application stays and so does its row.
    model.setChecked(1, true);
    model.setChecked(2, true);
    QSignalSpy finished(&model, &LeftoverListModel::removalFinished);
    ASSERT_TRUE(model.removeTicked());
    model.waitForIdle();
    ASSERT_EQ(finished.size(), 1);
    EXPECT_EQ(finished.at(0).at(0).toInt(), 0);
    EXPECT_EQ(finished.at(0).at(1).toInt(), 0);
    EXPECT_TRUE(exists(app));
    EXPECT_FALSE(exists(r.lib + "/Logs/Kit"));
    // The file inside the removed folder was not ticked, is gone with it, and its row stays
    // until the list is loaded again.
    ASSERT_EQ(model.rowCount(), 2);
    EXPECT_EQ(model.item(0).path(), app);

    model.setChecked(0, true);
    ASSERT_TRUE(model.removeTicked());
    model.waitForIdle();
    ASSERT_EQ(finished.size(), 2);
    EXPECT_EQ(finished.at(1).at(0).toInt(), 1);
    EXPECT_FALSE(exists(app));
}

TEST(LeftoverList, ALoadOvertakenByAnotherNeverDoublesRows)
{
    MacRoot r;
    const std::string app = r.root + "/Applications/Busy.app";
    makeBundle(app, "Busy", "org.busy");
    // Enough log files that the first load is still measuring when the second starts.
    for (int i = 0; i < 3000; ++i)
        writeFile(r.lib + "/Logs/Busy/busy-" + std::to_string(i) + ".log", "x");
    LeftoverListModel model(r.layout, LeftoverListModel::Mode::Companion);
    QSignalSpy loaded(&model, &LeftoverListModel::loaded);
    model.load(app);
    QCoreApplication::processEvents();
    model.load(app);
    waitLoaded(model);
    EXPECT_EQ(loaded.size(), 1);
    EXPECT_EQ(model.rowCount(), 1 + 1 + 3000);
}

// The sheet ends the application before removing it: only its own processes, of this
// user; a program of the same name elsewhere and another user's copy of it keep running.
TEST(LeftoverList, TheSheetStopsOnlyTheApplicationsOwnProcesses)
{
    LinuxHome h;
    const std::string app = h.home + "/Applications/Sleeper.app";
    makeBundle(app, "Sleeper", "org.sleeper", "sleeper");
    const std::string inside = app + "/Contents/MacOS/sleeper";
    const std::string elsewhere = h.tmp / "elsewhere/sleeper";
    for (const std::string& copy : {inside, elsewhere}) {
        makeDirs(copy.substr(0, copy.rfind('/')));
        ASSERT_EQ(::system(("cp /bin/sleep '" + copy + "' && chmod 755 '" + copy + "'").c_str()), 0);
    }
    ::chmod(h.tmp.path().c_str(), 0755);
    ::chmod(h.home.c_str(), 0755);
    const auto start = [](const std::string& program, bool asOther) -> pid_t {
        const pid_t pid = ::fork();
        if (pid == 0) {
            if (asOther && (::setgid(unprivilegedUid()) != 0 || ::setuid(unprivilegedUid()) != 0))
                ::_exit(126);
            ::execl(program.c_str(), program.c_str(), "60", nullptr);
            ::_exit(127);
        }
        return pid;
    };
    const pid_t own = start(inside, false);
    const pid_t sameName = start(elsewhere, false);
    const bool root = ::getuid() == 0;
    const pid_t other = root ? start(inside, true) : -1;
    ::usleep(200 * 1000); // until each runs its program

    LeftoverListModel model(h.layout, LeftoverListModel::Mode::Sheet);
    model.load(app);
    waitLoaded(model);
    QSignalSpy finished(&model, &LeftoverListModel::removalFinished);
    ASSERT_TRUE(model.removeTicked());
    model.waitForIdle();
    ASSERT_EQ(finished.size(), 1);

    int status = 0;
    EXPECT_EQ(::waitpid(own, &status, WNOHANG), own);
    EXPECT_TRUE(WIFSIGNALED(status) && WTERMSIG(status) == SIGTERM);
    EXPECT_EQ(::waitpid(sameName, &status, WNOHANG), 0) << "a same-named program was ended";
    if (root) {
        EXPECT_EQ(::waitpid(other, &status, WNOHANG), 0) << "another user's process was ended";
    }
    for (pid_t pid : {sameName, other}) {
        if (pid > 0) {
            ::kill(pid, SIGKILL);
            ::waitpid(pid, &status, 0);
        }
    }
    // Another user's process still runs the program, from a bundle that is unlinked now.
    EXPECT_EQ(finished.at(0).at(0).toInt(), 1);
    EXPECT_FALSE(exists(app));
}
