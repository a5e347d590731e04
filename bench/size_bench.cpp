// SPDX-License-Identifier: GPL-3.0-or-later
// Times QSFileUtility::sizeAtPath (logical and disk mode) against `du -sb` and `du -sB1`
// on the same tree, warm cache, one run each after a warm-up.
#include "TreeGenerator.h"
#include "common/QSFileUtility.h"
#include "platform/TreeSize.h"

#include <chrono>
#include <cstdio>
#include <cstdlib>
#include <string>
#include <sys/wait.h>
#include <unistd.h>

using Clock = std::chrono::steady_clock;

static double timeCommand(const std::string& cmd)
{
    const auto start = Clock::now();
    const int rc = std::system((cmd + " >/dev/null").c_str());
    const double ms = std::chrono::duration<double, std::milli>(Clock::now() - start).count();
    if (rc != 0)
        std::fprintf(stderr, "warning: '%s' exited %d\n", cmd.c_str(), rc);
    return ms;
}

template <typename F> static double timeIt(F&& f)
{
    const auto start = Clock::now();
    f();
    return std::chrono::duration<double, std::milli>(Clock::now() - start).count();
}

int main(int argc, char** argv)
{
    std::string dir;
    bool generated = false;
    if (argc > 1) {
        dir = argv[1];
    } else {
        char tmpl[] = "/tmp/corvane-size-bench-XXXXXX";
        if (!::mkdtemp(tmpl))
            return 2;
        dir = std::string(tmpl) + "/tree";
        const size_t n = corvane::bench::generateTree(dir, 200000);
        std::printf("generated %zu entries in %s\n", n, dir.c_str());
        generated = true;
    }
    const std::string quoted = "'" + dir + "'";
    // Warm the cache for everyone.
    timeCommand("du -sb " + quoted);
    uint64_t logical = 0, disk = 0;
    timeIt([&] { logical = corvane::QSFileUtility::sizeAtPath(dir, false); });

    const double duB = timeCommand("du -sb " + quoted);
    const double ourB = timeIt([&] { logical = corvane::QSFileUtility::sizeAtPath(dir, false); });
    const double duB1 = timeCommand("du -sB1 " + quoted);
    const double ourB1 = timeIt([&] { disk = corvane::QSFileUtility::sizeAtPath(dir, true); });

    uint64_t single = 0;
    const double duB2 = timeCommand("du -sb " + quoted);
    const double oneThread = timeIt([&] { single = corvane::TreeSize::sizeAtPath(dir, false, 1); });

    std::printf("%-28s %10s %10s %8s\n", "measure", "ours ms", "du ms", "ratio");
    std::printf("%-28s %10.1f %10.1f %8.2f   (%llu bytes)\n", "logical vs du -sb", ourB, duB, ourB / duB,
                static_cast<unsigned long long>(logical));
    std::printf("%-28s %10.1f %10.1f %8.2f   (%llu bytes)\n", "disk vs du -sB1", ourB1, duB1, ourB1 / duB1,
                static_cast<unsigned long long>(disk));
    std::printf("%-28s %10.1f %10.1f %8.2f   (%llu bytes)\n", "one thread vs du -sb", oneThread, duB2,
                oneThread / duB2, static_cast<unsigned long long>(single));
    if (generated)
        std::system(("rm -rf '" + dir.substr(0, dir.rfind('/')) + "'").c_str());
    return 0;
}
