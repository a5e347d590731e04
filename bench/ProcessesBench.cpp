// SPDX-License-Identifier: GPL-3.0-or-later
// The process list with many processes running: 500 applications started the way a
// desktop's launcher starts them (each a sleeping process naming its desktop entry).
// Times one refresh of the list off the main thread against the wall time of
// `ps -eo pid,pcpu,vsz,rss,user,comm` on the same machine, and the main thread's part of
// a refresh (taking the new rows over, ticks kept by name).
//
// usage: processes_bench [applications] [runs]   (default 500, 15)

#include "processes/engine/ProcessListModel.h"
#include "processes/engine/SystemPerAcceleration.h"

#include <QCoreApplication>

#include <algorithm>
#include <chrono>
#include <csignal>
#include <cstdio>
#include <cstdlib>
#include <filesystem>
#include <fstream>
#include <functional>
#include <spawn.h>
#include <string>
#include <sys/wait.h>
#include <unistd.h>
#include <vector>

extern char** environ;

using namespace corvane;

namespace {

double medianMs(int runs, const std::function<void()>& run)
{
    run();
    std::vector<double> ms;
    for (int i = 0; i < runs; ++i) {
        const auto start = std::chrono::steady_clock::now();
        run();
        ms.push_back(std::chrono::duration<double, std::milli>(std::chrono::steady_clock::now() - start).count());
    }
    std::sort(ms.begin(), ms.end());
    return ms[ms.size() / 2];
}

} // namespace

int main(int argc, char** argv)
{
    QCoreApplication app(argc, argv);
    const int count = argc > 1 ? std::max(1, std::atoi(argv[1])) : 500;
    const int runs = argc > 2 ? std::max(1, std::atoi(argv[2])) : 15;

    char scratch[] = "/tmp/corvane-processes-bench-XXXXXX";
    if (!::mkdtemp(scratch))
        return 2;
    const std::string data = std::string(scratch) + "/data";
    std::filesystem::create_directories(data + "/applications");
    std::vector<pid_t> children;
    for (int i = 0; i < count; ++i) {
        const std::string entry = data + "/applications/org.bench.App" + std::to_string(i) + ".desktop";
        std::ofstream(entry) << "[Desktop Entry]\nType=Application\nName=App " << i << "\nExec=app\n";
        const std::string script =
            "GIO_LAUNCHED_DESKTOP_FILE='" + entry + "' GIO_LAUNCHED_DESKTOP_FILE_PID=$$ exec sleep 600";
        const char* args[] = {"sh", "-c", script.c_str(), nullptr};
        pid_t pid = -1;
        if (::posix_spawn(&pid, "/bin/sh", nullptr, nullptr, const_cast<char**>(args), environ) == 0)
            children.push_back(pid);
    }
    ::usleep(500 * 1000);

    SystemPerAcceleration processes({"/proc", {data}}, "C", std::chrono::milliseconds(0));
    std::vector<SystemPerObject> rows = processes.getResouceProcess();
    const double list = medianMs(runs, [&] { rows = processes.getResouceProcess(); });
    const double ps = medianMs(runs, [] {
        if (std::system("ps -eo pid,pcpu,vsz,rss,user,comm > /dev/null") != 0)
            std::fprintf(stderr, "processes_bench: ps failed\n");
    });
    ProcessListModel model;
    model.replace(rows);
    const double swap = medianMs(runs, [&] { model.replace(rows); });
    std::printf("%zu applications listed (%d started); a refresh off the main thread: median %.1f ms; "
                "ps -eo pid,pcpu,vsz,rss,user,comm: median %.1f ms (ratio %.2f); "
                "main-thread part of a refresh: median %.2f ms\n",
                rows.size(), count, list, ps, list / ps, swap);

    for (pid_t pid : children) {
        ::kill(pid, SIGKILL);
        ::waitpid(pid, nullptr, 0);
    }
    std::filesystem::remove_all(scratch);
    return 0;
}
