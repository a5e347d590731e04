// SPDX-License-Identifier: GPL-3.0-or-later
// What the companion does with applications dropped into the Trash of a scratch home:
// leftover windows offscreen, and its own removal reported to a server on the loopback.
#include "junk/JunkFixtures.h"

#include "common/AppConfig.h"
#include "companion/ui/CompanionAppDelegate.h"
#include "companion/ui/RelatedWindowController.h"
#include "companion/ui/TrashedApplications.h"
#include "uninstall/engine/LeftoverListModel.h"

#include <QApplication>
#include <QDeadlineTimer>
#include <QEventLoop>
#include <QSignalSpy>
#include <QTcpServer>
#include <QTcpSocket>
#include <QTimer>

#include <gtest/gtest.h>

#include <cstdio>
#include <functional>
#include <unistd.h>

using namespace corvane;
using namespace corvane::test;

namespace {

void makeBundle(const std::string& path, const std::string& name, const std::string& identifier)
{
    writeFile(path + "/Contents/Info.plist",
              "<?xml version=\"1.0\"?><plist version=\"1.0\"><dict><key>CFBundleName</key><string>" + name +
                  "</string><key>CFBundleExecutable</key><string>" + name +
                  "</string><key>CFBundleIdentifier</key><string>" + identifier + "</string></dict></plist>");
}

// Runs the loop (asleep between events) until `done` holds or the time is up.
bool spin(const std::function<bool()>& done, int limitMs = 20000)
{
    QDeadlineTimer limit(limitMs);
    while (!done() && !limit.hasExpired()) {
        QEventLoop loop;
        QTimer::singleShot(20, &loop, &QEventLoop::quit);
        loop.exec();
    }
    return done();
}

void idle(int ms)
{
    spin([] { return false; }, ms);
}

// Answers every request with an empty 200 and keeps the request lines.
struct ReportServer
{
    QTcpServer server;
    std::vector<QByteArray> requests;

    ReportServer()
    {
        server.listen(QHostAddress::LocalHost);
        QObject::connect(&server, &QTcpServer::newConnection, &server, [this] {
            QTcpSocket* socket = server.nextPendingConnection();
            QObject::connect(socket, &QTcpSocket::readyRead, socket, [this, socket] {
                const QByteArray head = socket->peek(8192);
                if (!head.contains("\r\n\r\n"))
                    return;
                requests.push_back(head.left(head.indexOf("\r\n")));
                socket->readAll();
                socket->write("HTTP/1.1 200 OK\r\nContent-Length: 0\r\nConnection: close\r\n\r\n");
                socket->disconnectFromHost();
            });
        });
    }
    QString host() const { return QStringLiteral("http://127.0.0.1:%1").arg(server.serverPort()); }
};

// A home with this program's files and a neighbour's, and its bundle in the Trash.
struct OwnRemoval : LinuxRoot
{
    std::string trash = home + "/.local/share/Trash/files";
    std::string bundle = trash + "/CorvaneTidewell.app";
    std::string autostart = home + "/.config/autostart/com.corvane.XPC.desktop";
    std::string launcher = home + "/.local/share/applications/com.corvane.CorvaneTidewell.desktop";
    std::vector<std::string> ours = {home + "/.config/CorvaneTidewell/settings",
                                     home + "/.cache/com.corvane.CorvaneTidewell/blob", autostart, launcher};
    std::vector<std::string> others = {home + "/.local/share/Other/keep", home + "/.config/keep", root + "/victim"};

    OwnRemoval()
    {
        // The trashed copy calls itself "..": were that name used, ~/.local and ~/.config
        // themselves would be its leftovers.
        makeBundle(bundle, "..", AppConfig::kMainIdentifier);
        for (const auto& path : ours)
            writeFile(path, "x");
        for (const auto& path : others)
            writeFile(path, "x");
        ::symlink((root + "/victim").c_str(), (home + "/corvane.txt").c_str());
    }
};

} // namespace

TEST(TrashedApplications, ApplicationsGetTheirWindowsOneAfterTheOther)
{
    LinuxRoot r;
    Layout::setCurrent(r.layout);
    const std::string trash = r.home + "/.local/share/Trash/files";
    makeDirs(trash);
    for (const char* name : {"Alpha", "Beta", "Gamma"}) {
        makeBundle(r.home + "/Applications/" + name + ".app", name, std::string("org.") + name);
        writeFile(r.home + "/.config/" + name + "/settings", "x");
    }
    companion::AppDelegate delegate;
    delegate.applicationDidFinishLaunching();
    TrashedApplications* trashed = delegate.trashedApplications();
    QSignalSpy shown(trashed, &TrashedApplications::windowShown);

    // Two applications and a plain file within a second; a third that goes back before its turn.
    writeFile(trash + "/notes.txt", "x");
    for (const char* name : {"Alpha", "Beta", "Gamma"})
        ASSERT_EQ(::rename((r.home + "/Applications/" + name + ".app").c_str(), (trash + "/" + name + ".app").c_str()),
                  0);
    ASSERT_TRUE(spin([&] { return shown.size() == 1; }));
    auto* first = trashed->currentWindow();
    EXPECT_EQ(first->filePath(), trash + "/Alpha.app");
    EXPECT_TRUE(first->isVisible());
    EXPECT_TRUE(first->isModal());
    EXPECT_EQ(trashed->waitingCount(), 2u);
    ASSERT_EQ(::rename((trash + "/Gamma.app").c_str(), (r.home + "/Applications/Gamma.app").c_str()), 0);
    idle(500);
    EXPECT_EQ(shown.size(), 1); // one at a time

    first->cancel();
    ASSERT_TRUE(spin([&] { return shown.size() == 2; }));
    EXPECT_EQ(trashed->currentWindow()->filePath(), trash + "/Beta.app");
    ASSERT_EQ(trashed->currentWindow()->model()->rowCount(), 2); // the bundle and its settings
    trashed->currentWindow()->cancel();
    idle(500);
    EXPECT_EQ(shown.size(), 2);
    EXPECT_EQ(trashed->currentWindow(), nullptr);
    EXPECT_TRUE(exists(r.home + "/.config/Beta/settings"));
}

TEST(TrashedApplications, AppImagesByContentAndBundlesStillBeingCopiedAreRecognised)
{
    LinuxRoot r;
    const std::string trash = r.home + "/.local/share/Trash/files";
    const std::string elf = std::string("\x7f"
                                        "ELF\x02\x01\x01",
                                        7) +
                            std::string(57, '\0');
    writeFile(trash + "/plain", elf);
    const std::string image = std::string(elf).replace(8, 3, "AI\x02");
    writeFile(trash + "/tool", image);
    makeDirs(trash + "/Late.app/Contents");
    TrashedApplications trashed(r.layout, nullptr);
    QSignalSpy shown(&trashed, &TrashedApplications::windowShown);

    trashed.processItems({trash + "/plain", trash + "/Late.app", trash + "/tool"});
    // Its information arrives after the folder, but within the time it is given.
    QTimer::singleShot(500, &trashed, [&] { makeBundle(trash + "/Late.app", "Late", "org.late"); });
    ASSERT_TRUE(spin([&] { return shown.size() == 1; }));
    EXPECT_EQ(trashed.currentWindow()->filePath(), trash + "/tool");
    trashed.currentWindow()->cancel();
    ASSERT_TRUE(spin([&] { return shown.size() == 2; }));
    EXPECT_EQ(trashed.currentWindow()->filePath(), trash + "/Late.app");
    trashed.currentWindow()->cancel();
    idle(300);
    EXPECT_EQ(shown.size(), 2);
}

TEST(TrashedApplications, OurOwnBundleGoesWithItsFilesUnderOurNamesAndIsReportedOnce)
{
    OwnRemoval r;
    ReportServer server;
    TrashedApplications trashed(r.layout, nullptr);
    trashed.setReportHost(server.host());
    QSignalSpy shown(&trashed, &TrashedApplications::windowShown);
    QSignalSpy finished(&trashed, &TrashedApplications::ownRemovalFinished);

    trashed.processItems({r.bundle});
    ASSERT_TRUE(spin([&] { return finished.size() == 1; }));
    EXPECT_FALSE(exists(r.bundle));
    EXPECT_FALSE(exists(r.home + "/corvane.txt"));
    for (const auto& path : r.ours)
        EXPECT_FALSE(exists(path)) << path;
    for (const auto& path : r.others)
        EXPECT_TRUE(exists(path)) << path;
    ASSERT_EQ(server.requests.size(), 1u);
    EXPECT_EQ(server.requests[0], "GET /uninstallreport.php?action=corvanetidewell HTTP/1.1");
    EXPECT_EQ(shown.size(), 0);
    EXPECT_EQ(trashed.currentWindow(), nullptr);
}

TEST(TrashedApplications, OurBundleWithACopyStillInstalledIsAskedAbout)
{
    OwnRemoval r;
    makeBundle(r.bundle, "CorvaneTidewell", AppConfig::kMainIdentifier);
    makeBundle(r.home + "/Applications/CorvaneTidewell.app", "CorvaneTidewell", AppConfig::kMainIdentifier);
    ReportServer server;
    TrashedApplications trashed(r.layout, nullptr);
    trashed.setReportHost(server.host());
    QSignalSpy shown(&trashed, &TrashedApplications::windowShown);

    trashed.processItems({r.bundle});
    ASSERT_TRUE(spin([&] { return shown.size() == 1; }));
    EXPECT_EQ(trashed.currentWindow()->filePath(), r.bundle);
    EXPECT_EQ(trashed.currentWindow()->model()->rowCount(), 3); // the bundle, its settings and cache
    trashed.currentWindow()->cancel();
    idle(300);
    EXPECT_TRUE(exists(r.bundle));
    EXPECT_TRUE(exists(r.home + "/corvane.txt"));
    for (const auto& path : r.ours)
        EXPECT_TRUE(exists(path)) << path;
    EXPECT_TRUE(server.requests.empty());
    EXPECT_FALSE(trashed.isRemovingItself());
}

TEST(TrashedApplications, OurBundleInATrashThatIsALinkIsOnlyAskedAbout)
{
    OwnRemoval r;
    makeBundle(r.bundle, "CorvaneTidewell", AppConfig::kMainIdentifier);
    // The Trash's folder leads to an ordinary folder of the home: nothing there goes unasked.
    ASSERT_EQ(::rename(r.trash.c_str(), (r.home + "/Stuff").c_str()), 0);
    ASSERT_EQ(::symlink((r.home + "/Stuff").c_str(), r.trash.c_str()), 0);
    ReportServer server;
    TrashedApplications trashed(r.layout, nullptr);
    trashed.setReportHost(server.host());
    QSignalSpy shown(&trashed, &TrashedApplications::windowShown);

    trashed.processItems({r.bundle});
    ASSERT_TRUE(spin([&] { return shown.size() == 1; }));
    trashed.currentWindow()->cancel();
    idle(300);
    EXPECT_TRUE(exists(r.home + "/Stuff/CorvaneTidewell.app/Contents/Info.plist"));
    for (const auto& path : r.ours)
        EXPECT_TRUE(exists(path)) << path;
    EXPECT_TRUE(server.requests.empty());
}
