// SPDX-License-Identifier: GPL-3.0-or-later
// Times the memory room: reading and parsing this machine's meminfo (beside `free -b`,
// which reads the same file from a new process), one refresh of the memory screen with
// its chart drawn, offscreen, in main-thread time, and a real release of `mib` MiB.
// Usage: memory_bench [mib] [runs]   (default 1024 MiB, 2000 runs)
#include "memory/engine/MemoryRelease.h"
#include "memory/ui/YVPopViewController.h"

#include <QApplication>

#include <algorithm>
#include <chrono>
#include <cstdio>
#include <cstdlib>
#include <fcntl.h>
#include <functional>
#include <string>
#include <sys/wait.h>
#include <unistd.h>
#include <vector>

using namespace corvane;

namespace {

using Clock = std::chrono::steady_clock;

struct Figures
{
    double median;
    double slowest;
};

// Microseconds per run.
Figures timeRuns(int runs, const std::function<void()>& before, const std::function<void()>& run)
{
    std::vector<double> us;
    us.reserve(size_t(runs));
    for (int i = 0; i < runs; ++i) {
        before();
        const auto start = Clock::now();
        run();
        us.push_back(std::chrono::duration<double, std::micro>(Clock::now() - start).count());
    }
    std::sort(us.begin(), us.end());
    return {us[us.size() / 2], us.back()};
}

void runFree()
{
    const pid_t pid = ::fork();
    if (pid == 0) {
        const int null = ::open("/dev/null", O_WRONLY);
        ::dup2(null, 1);
        ::execlp("free", "free", "-b", static_cast<char*>(nullptr));
        ::_exit(127);
    }
    int status = 0;
    ::waitpid(pid, &status, 0);
}

void writeMeminfo(const std::string& path, uint64_t application)
{
    const std::string text = "MemTotal: 8388608 kB\nMemFree: 1572864 kB\nMemAvailable: 3145728 kB\n"
                             "Active(anon): " +
                             std::to_string(application) +
                             " kB\nInactive(anon): 0 kB\n"
                             "Active(file): 2097152 kB\nInactive(file): 0 kB\n";
    const int fd = ::open(path.c_str(), O_WRONLY | O_CREAT | O_TRUNC | O_CLOEXEC, 0644);
    if (fd >= 0) {
        (void)!::write(fd, text.data(), text.size());
        ::close(fd);
    }
}

} // namespace

int main(int argc, char** argv)
{
    ::setenv("QT_QPA_PLATFORM", "offscreen", 0);
    QApplication app(argc, argv);
    const int mib = argc > 1 ? std::max(1, std::atoi(argv[1])) : 1024;
    const int runs = argc > 2 ? std::max(10, std::atoi(argv[2])) : 2000;

    // meminfo and the zram devices, as each refresh reads them.
    const MemoryStatistics kernel;
    volatile uint64_t sink = 0;
    const Figures read = timeRuns(
        runs, [] {}, [&] { sink = sink + kernel.read().free; });
    const Figures free = timeRuns(
        20, [] {}, runFree);
    std::printf("meminfo read and parsed: median %.1f us, slowest %.1f us (%d runs); free -b: median %.0f us\n",
                read.median, read.slowest, runs, free.median);

    // A refresh with new figures every time, the chart drawn before the clock stops.
    char folder[] = "/tmp/memory_bench.XXXXXX";
    if (!::mkdtemp(folder))
        return 1;
    const std::string meminfo = std::string(folder) + "/meminfo";
    writeMeminfo(meminfo, 3145728);
    {
        YVPopViewController view(MemoryStatistics(folder, folder));
        view.resize(760, 580);
        view.show();
        QApplication::processEvents();
        int turn = 0;
        const Figures refresh = timeRuns(
            200, [&] { writeMeminfo(meminfo, 2097152 + uint64_t(++turn % 7) * 131072); },
            [&] {
                view.timerMethod();
                QApplication::processEvents();
                view.repaint();
            });
        std::printf("refresh with the chart drawn: median %.0f us, slowest %.0f us of main-thread time (200 runs)\n",
                    refresh.median, refresh.slowest);
    }
    ::unlink(meminfo.c_str());
    ::rmdir(folder);

    // The release itself, as much of `mib` as the floor allows.
    MemoryRelease release(kernel);
    release.tryBegin();
    const MemoryRelease::Plan plan = release.plan(mib);
    const auto start = Clock::now();
    const MemoryRelease::Result result = release.run(plan);
    const double seconds = std::chrono::duration<double>(Clock::now() - start).count();
    std::printf("release: %d MiB written and freed in %.3f s, %.2f GiB/s (stopped by %s)\n", result.chunks, seconds,
                result.chunks / 1024.0 / seconds, MemoryRelease::outcomeName(result.stoppedBy));
    return 0;
}
