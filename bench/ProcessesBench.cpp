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

#include "RunTimes.h"

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
    const double list = bench::timeRuns(runs, [&] { rows = processes.getResouceProcess(); }).median;
    const double ps = bench::timeRuns(runs, [] {
                          if (std::system("ps -eo pid,pcpu,vsz,rss,user,comm > /dev/null") != 0)
                              std::fprintf(stderr, "processes_bench: ps failed\n");
                      }).median;
    ProcessListModel model;
    model.replace(rows);
    const double swap = bench::timeRuns(runs, [&] { model.replace(rows); }).median;
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
