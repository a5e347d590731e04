// SPDX-License-Identifier: GPL-3.0-or-later
// The leftover sheet over an application with a great many leftover files: time to the
// list and to the end of the removal, and the longest stall of the main thread meanwhile
// (a 5 ms timer probe). Then `corvane related` over generated homes of both layouts,
// compared with the set each home was built to have.
//
// usage: leftovers_bench [files]   (default 100000)

#include "platform/Layout.h"
#include "uninstall/engine/LeftoverListModel.h"
#include "uninstall/ui/LMZSheet.h"
#include "uninstall/ui/LeftoverPanel.h"

#include "MainThreadProbe.h"

#include <QApplication>
#include <QElapsedTimer>
#include <QListView>
#include <QProcess>
#include <QPushButton>
#include <QTest>
#include <QTimer>

#include <cstdio>
#include <cstdlib>
#include <fcntl.h>
#include <filesystem>
#include <random>
#include <set>
#include <sys/stat.h>
#include <unistd.h>

using namespace corvane;
namespace fs = std::filesystem;

namespace {

void touch(const std::string& path, const std::string& bytes = "x")
{
    fs::create_directories(fs::path(path).parent_path());
    const int fd = ::open(path.c_str(), O_WRONLY | O_CREAT | O_TRUNC | O_CLOEXEC, 0644);
    if (fd >= 0) {
        [[maybe_unused]] ssize_t n = ::write(fd, bytes.data(), bytes.size());
        ::close(fd);
    }
}

void plist(const std::string& app, const std::string& name, const std::string& id)
{
    touch(app + "/Contents/Info.plist", "<?xml version=\"1.0\"?><plist version=\"1.0\"><dict><key>CFBundleName</key>"
                                        "<string>" + name + "</string><key>CFBundleIdentifier</key><string>" + id +
                                            "</string></dict></plist>");
}

void sheetBench(const std::string& scratch, int files)
{
    const std::string root = scratch + "/sheet";
    const std::string lib = root + "/Users/bench/Library";
    const std::string app = root + "/Applications/Big.app";
    plist(app, "Big", "org.big");
    for (int i = 0; i < files; ++i)
        touch(lib + "/Logs/Big/big-" + std::to_string(i) + ".log", "log line\n");
    const Layout layout = Layout::macLayout(root, "bench");

    QWidget window;
    window.resize(960, 640);
    window.show();
    LMZSheet sheet(layout);
    sheet.setFilePath(app);
    bench::MainThreadProbe probe;
    QElapsedTimer t;
    int code = -1;
    probe.start();
    t.start();
    sheet.beginOnWindow(&window, [&code](int c) { code = c; });
    bench::spinUntil([&] { return !sheet.model()->isLoading(); });
    const qint64 loadMs = t.elapsed();
    // Scroll through the list so rows are drawn.
    QListView* table = sheet.panel()->myTableView();
    for (int step = 0; step < 20; ++step) {
        table->scrollTo(sheet.model()->index(sheet.model()->rowCount() * step / 20));
        QApplication::processEvents();
    }
    const qint64 loadStall = probe.stop();
    std::printf("sheet: %d rows listed in %lld ms, longest main-thread stall %lld ms\n", sheet.model()->rowCount(),
                (long long)loadMs, (long long)loadStall);

    probe.start();
    t.restart();
    QTest::mouseClick(sheet.panel()->deleteBtn(), Qt::LeftButton);
    bench::spinUntil([&] { return code >= 0; });
    const qint64 removeMs = t.elapsed();
    const qint64 removeStall = probe.stop();
    std::printf("sheet: removal in %lld ms (return code %d, application %s), longest main-thread stall %lld ms\n",
                (long long)removeMs, code, fs::exists(app) ? "still there" : "gone", (long long)removeStall);
}

// Homes with applications whose leftovers lie in a random choice of the places searched,
// next to decoys that must not be listed.
int relatedBench(const std::string& scratch, const char* program)
{
    std::mt19937 random(7);
    int apps = 0;
    int paths = 0;
    int wrong = 0;
    for (const bool mac : {true, false}) {
        const std::string root = scratch + (mac ? "/mac" : "/linux");
        // The macOS-style layout finds the home by the login name.
        const std::string home = mac ? root + "/Users/" + currentLoginName() : root + "/home";
        const std::string lib = home + "/Library";
        for (int i = 0; i < 100; ++i) {
            // No name is the start of another: the log search matches by prefix.
            const std::string name = "App" + std::to_string(i) + "x";
            const std::string id = "org.bench.app" + std::to_string(i) + "x";
            const std::string app = (mac ? root + "/Applications/" : home + "/Applications/") + name + ".app";
            plist(app, name, id);
            std::vector<std::string> expected{app};
            std::vector<std::string> places;
            if (mac)
                places = {lib + "/Application Support/" + name, lib + "/Preferences/" + id + ".plist",
                          lib + "/Caches/" + id,                lib + "/Containers/" + id,
                          lib + "/Logs/" + name + ".log",       lib + "/Saved Application State/" + id + ".savedState"};
            else
                places = {home + "/.config/" + name,  home + "/.cache/" + id, home + "/.var/app/" + id,
                          home + "/.local/state/" + name, home + "/.local/share/app" + std::to_string(i) + "x"};
            for (const std::string& p : places)
                if (random() % 2)
                    touch(p + (p.find(".plist") != std::string::npos || p.find(".log") != std::string::npos
                                   ? ""
                                   : "/f"));
            // Decoys: a longer name in an exact-name place, an identifier sharing a prefix.
            touch((mac ? lib + "/Caches/" : home + "/.cache/") + name + "0x/f");
            touch((mac ? lib + "/Application Support/" : home + "/.config/") + id + ".other/f");
            for (const std::string& p : places)
                if (fs::exists(fs::symlink_status(p)))
                    expected.push_back(p);
            QProcess run;
            QStringList env = QProcess::systemEnvironment();
            env << QStringLiteral("HOME=%1").arg(QString::fromStdString(home));
            if (mac)
                env << QStringLiteral("CORVANE_LAYOUT=macos") << QStringLiteral("CORVANE_ROOT=%1").arg(QString::fromStdString(root));
            run.setEnvironment(env);
            run.start(QString::fromLocal8Bit(program), {QStringLiteral("related"), QString::fromStdString(app)});
            run.waitForFinished(-1);
            std::multiset<std::string> got;
            for (const QByteArray& line : run.readAllStandardOutput().split('\n')) {
                const int at = line.indexOf("\"path\":\"");
                if (at < 0)
                    continue;
                const int end = line.indexOf("\",\"size\"", at);
                got.insert(line.mid(at + 8, end - at - 8).toStdString());
            }
            // A mac application whose name is also its log file prefix lists the log once
            // per search; compare as sets of places.
            const std::set<std::string> gotSet(got.begin(), got.end());
            const std::set<std::string> want(expected.begin(), expected.end());
            ++apps;
            paths += int(want.size());
            if (gotSet != want) {
                ++wrong;
                std::printf("  mismatch for %s\n", app.c_str());
            }
        }
    }
    std::printf("related: %d applications on both layouts, %d expected places, %d mismatches\n", apps, paths, wrong);
    return wrong == 0 ? 0 : 1;
}

} // namespace

int main(int argc, char** argv)
{
    QApplication application(argc, argv);
    const int files = argc > 1 ? std::atoi(argv[1]) : 100000;
    char scratch[] = "/tmp/corvane-leftovers-bench-XXXXXX";
    if (!::mkdtemp(scratch))
        return 2;
    sheetBench(scratch, files);
    const std::string program = fs::path(argv[0]).parent_path() / "corvane";
    const int rc = relatedBench(scratch, program.c_str());
    fs::remove_all(scratch);
    return rc;
}
