// SPDX-License-Identifier: GPL-3.0-or-later
// The companion's Trash watcher in a throwaway home: how long from an application's
// arrival in the Trash to its leftover window on screen, and what the watcher costs while
// nothing happens. `companion_bench [runs] [idle seconds]` (defaults 5 and 60); run it
// offscreen (QT_QPA_PLATFORM=offscreen).
#include "MainThreadProbe.h"

#include "companion/ui/CompanionAppDelegate.h"
#include "companion/ui/RelatedWindowController.h"
#include "companion/ui/TrashedApplications.h"
#include "platform/Layout.h"
#include "support/TempDir.h"

#include <QApplication>
#include <QElapsedTimer>
#include <QEventLoop>
#include <QTimer>

#include <algorithm>
#include <cstdio>
#include <cstdlib>
#include <functional>
#include <string>
#include <sys/resource.h>
#include <vector>

using namespace corvane;

namespace {

double processorMs()
{
    rusage usage{};
    ::getrusage(RUSAGE_SELF, &usage);
    const auto ms = [](const timeval& t) { return double(t.tv_sec) * 1000.0 + double(t.tv_usec) / 1000.0; };
    return ms(usage.ru_utime) + ms(usage.ru_stime);
}

void makeApplication(const std::string& bundle, const std::string& name, const std::string& home)
{
    test::writeFile(bundle + "/Contents/Info.plist",
                    "<?xml version=\"1.0\"?><plist version=\"1.0\"><dict><key>CFBundleName</key><string>" + name +
                        "</string><key>CFBundleIdentifier</key><string>org.bench." + name + "</string></dict></plist>");
    test::writeSized(bundle + "/Contents/MacOS/" + name, 200000);
    test::writeSized(home + "/.config/" + name + "/settings", 4000);
    test::writeSized(home + "/.cache/org.bench." + name + "/blob", 100000);
}

// The loop asleep between events (a polling loop would measure itself).
void runLoopUntil(const std::function<bool()>& done)
{
    while (!done()) {
        QEventLoop loop;
        QTimer::singleShot(10, &loop, &QEventLoop::quit);
        loop.exec();
    }
}

} // namespace

int main(int argc, char** argv)
{
    setenv("QT_QPA_PLATFORM", "offscreen", 0);
    const int runs = argc > 1 ? std::max(1, std::atoi(argv[1])) : 5;
    const int idleSeconds = argc > 2 ? std::max(1, std::atoi(argv[2])) : 60;

    test::TempDir dir;
    const std::string home = dir / "home";
    for (const auto& [key, value] : {std::pair{"HOME", home},
                                     {"XDG_DATA_HOME", home + "/.local/share"},
                                     {"XDG_CONFIG_HOME", home + "/.config"},
                                     {"XDG_CACHE_HOME", home + "/.cache"},
                                     {"XDG_STATE_HOME", home + "/.local/state"}})
        setenv(key, value.c_str(), 1);
    const std::string trash = home + "/.local/share/Trash/files";
    test::makeDirs(trash);
    test::makeDirs(home + "/Applications");

    QApplication app(argc, argv);
    QApplication::setQuitOnLastWindowClosed(false);
    Layout::setCurrent(Layout::linuxLayout(home));
    companion::AppDelegate delegate;
    delegate.applicationDidFinishLaunching();
    TrashedApplications* trashed = delegate.trashedApplications();
    RelatedWindowController* shown = nullptr;
    QObject::connect(trashed, &TrashedApplications::windowShown, trashed,
                     [&shown](RelatedWindowController* window) { shown = window; });

    // (a) Trash to window. The watcher gathers changes for a second before it lists the
    // folder, so about 1000 ms of each figure is that wait.
    std::vector<double> ms;
    bench::MainThreadProbe probe;
    qint64 worstStall = 0;
    for (int i = 0; i < runs; ++i) {
        const std::string name = "Fixture" + std::to_string(i);
        const std::string bundle = home + "/Applications/" + name + ".app";
        makeApplication(bundle, name, home);
        shown = nullptr;
        probe.start();
        QElapsedTimer clock;
        clock.start();
        if (::rename(bundle.c_str(), (trash + "/" + name + ".app").c_str()) != 0) {
            std::perror("rename");
            return 1;
        }
        runLoopUntil([&shown] { return shown != nullptr; });
        ms.push_back(double(clock.nsecsElapsed()) / 1e6);
        worstStall = std::max(worstStall, probe.stop());
        shown->cancel();
        runLoopUntil([trashed] { return trashed->currentWindow() == nullptr; });
    }
    std::sort(ms.begin(), ms.end());
    std::printf("trash to window, %d runs: median %.0f ms, fastest %.0f ms, slowest %.0f ms (target <= 1500 ms)\n",
                runs, ms[ms.size() / 2], ms.front(), ms.back());
    std::printf("longest main-thread stall meanwhile: %lld ms\n", static_cast<long long>(worstStall));

    // (b) Nothing happens: the loop sleeps in poll until inotify has something to say.
    const double before = processorMs();
    QEventLoop idle;
    QTimer::singleShot(idleSeconds * 1000, &idle, &QEventLoop::quit);
    idle.exec();
    const double used = processorMs() - before;
    std::printf("idle %d s with the watcher started: %.1f ms processor time (user+system, %.4f%% of one core)\n",
                idleSeconds, used, 100.0 * used / (idleSeconds * 1000.0));
    return 0;
}
