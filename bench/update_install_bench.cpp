// SPDX-License-Identifier: GPL-3.0-or-later
// Kills (SIGKILL) a process running the update installation at random points, over and
// over: the read of the archive, its check, the unpacking, the stop of the running old
// program, the exchange, the removal of the old copy. After each kill the applications
// folder must hold exactly one visible bundle, identical to the old or the new one and
// launchable, and the cleanup a starting companion runs must leave no staging folder.
//
//   update_install_bench [trials]   (default 50)

#include "companion/engine/UpdateInstaller.h"
#include "platform/Bundle.h"
#include "platform/SafeRemover.h"
#include "support/TempDir.h"
#include "support/UpdateFixtures.h"

#include <algorithm>
#include <chrono>
#include <csignal>
#include <cstdio>
#include <cstdlib>
#include <random>
#include <sys/stat.h>
#include <sys/wait.h>
#include <thread>
#include <unistd.h>

using namespace corvane;
using namespace corvane::test;

namespace {

const char* kNewProgram = "#!/bin/sh\necho started > \"$(dirname \"$0\")/../started\"\n";

std::vector<std::string> stagingFolders(const std::string& applications)
{
    std::vector<std::string> found;
    for (const auto& [path, kind] : treeSnapshot(applications))
        if (path.find('/') == std::string::npos && path.rfind(UpdateInstaller::kStagingPrefix, 0) == 0)
            found.push_back(path);
    return found;
}

std::vector<std::string> visibleEntries(const std::string& applications)
{
    std::vector<std::string> found;
    for (const auto& [path, kind] : treeSnapshot(applications))
        if (path.find('/') == std::string::npos && path.front() != '.')
            found.push_back(path);
    return found;
}

bool launchable(const std::string& bundle)
{
    const auto info = Bundle::read(bundle);
    if (!info || info->identifier != QLatin1String("com.corvane.CorvaneTidewell"))
        return false;
    struct stat st
    {
    };
    return ::stat(Bundle::executablePath(*info).c_str(), &st) == 0 && S_ISREG(st.st_mode) && (st.st_mode & 0100);
}

pid_t startProgram(const std::string& program)
{
    const pid_t pid = ::fork();
    if (pid == 0) {
        ::execl(program.c_str(), program.c_str(), "600", static_cast<char*>(nullptr));
        ::_exit(127);
    }
    return pid;
}

// The installation as the companion runs it, in a child that can be killed anywhere.
pid_t startInstallation(const UpdateInstaller::Places& places, const ReleaseKey& key)
{
    const pid_t pid = ::fork();
    if (pid == 0) {
        const UpdateInstaller installer(places, key.publicKey());
        const auto staged = installer.stage();
        ::_exit(staged.ok() && installer.install(staged).ok() ? 0 : 1);
    }
    return pid;
}

void reap(pid_t pid)
{
    int status = 0;
    while (::waitpid(pid, &status, 0) < 0 && errno == EINTR) {
    }
}

} // namespace

int main(int argc, char** argv)
{
    const int trials = argc > 1 ? std::max(1, std::atoi(argv[1])) : 50;
    TempDir t;
    const UpdateInstaller::Places places{t / "Documents", t / "Applications"};
    makeDirs(places.documents);
    const auto oldEntries = bundleEntries("1.0", readFile("/bin/sleep"), "com.corvane.CorvaneTidewell", 400, 8192);
    const auto newEntries = bundleEntries("2.0", kNewProgram, "com.corvane.CorvaneTidewell", 300, 65536);
    writeTree(t / "reference-old", oldEntries);
    writeTree(t / "reference-new", newEntries);
    const auto oldTree = treeSnapshot(t / "reference-old/CorvaneTidewell.app");
    const auto newTree = treeSnapshot(t / "reference-new/CorvaneTidewell.app");
    const std::string zip = makeZip(newEntries);
    const ReleaseKey key;
    const std::string bundle = places.applications + "/CorvaneTidewell.app";
    const std::string program = bundle + "/Contents/MacOS/CorvaneTidewell";

    auto reset = [&] {
        SafeRemover::removeTreeUnchecked(bundle);
        writeTree(places.applications, oldEntries);
        placeUpdate(places.documents, zip, "2.0", key);
    };

    // One trial: the old program running, the installation started, killed after `delay`
    // unless it finished first. Answers how long it ran and whether it finished.
    auto trial = [&](std::chrono::microseconds delay, bool& finished) {
        reset();
        const pid_t old = startProgram(program);
        std::this_thread::sleep_for(std::chrono::milliseconds(50));
        const auto begin = std::chrono::steady_clock::now();
        const pid_t child = startInstallation(places, key);
        int status = 0;
        finished = false;
        const auto end = begin + delay;
        while (std::chrono::steady_clock::now() < end) {
            if (::waitpid(child, &status, WNOHANG) == child) {
                finished = WIFEXITED(status) && WEXITSTATUS(status) == 0;
                break;
            }
            std::this_thread::sleep_for(std::chrono::microseconds(200));
        }
        const auto ran =
            std::chrono::duration_cast<std::chrono::microseconds>(std::chrono::steady_clock::now() - begin);
        if (!finished) {
            ::kill(child, SIGKILL);
            reap(child);
        }
        ::kill(old, SIGKILL);
        reap(old);
        return ran;
    };

    // Whole runs under the same conditions, to spread the kills over their length.
    std::vector<long long> wholeRuns;
    bool installedWhole = true;
    for (int i = 0; i < 3; ++i) {
        bool finished = false;
        wholeRuns.push_back(trial(std::chrono::seconds(60), finished).count());
        installedWhole = installedWhole && finished && treeSnapshot(bundle) == newTree;
    }
    std::sort(wholeRuns.begin(), wholeRuns.end());
    const long long whole = wholeRuns[1];
    std::printf("archive %zu bytes, %zu entries; uninterrupted installation (median of 3): %.1f ms, %s\n", zip.size(),
                newEntries.size(), double(whole) / 1000.0, installedWhole ? "installed" : "FAILED");

    std::mt19937 random(20240611);
    std::uniform_int_distribution<long long> when(0, whole * 11 / 10);
    int oldFound = 0, newFound = 0, broken = 0, notLaunchable = 0, notExactlyOne = 0, finishedFirst = 0;
    int withLeftovers = 0, leftoversAfterStart = 0;
    for (int i = 0; i < trials; ++i) {
        bool finished = false;
        trial(std::chrono::microseconds(when(random)), finished);
        if (finished)
            ++finishedFirst;

        const auto visible = visibleEntries(places.applications);
        if (visible.size() != 1 || visible.front() != "CorvaneTidewell.app")
            ++notExactlyOne;
        const auto tree = treeSnapshot(bundle);
        if (tree == oldTree)
            ++oldFound;
        else if (tree == newTree)
            ++newFound;
        else
            ++broken;
        if (!launchable(bundle))
            ++notLaunchable;
        if (!stagingFolders(places.applications).empty())
            ++withLeftovers;
        // What the next companion does at its start, while it holds the lock.
        UpdateInstaller::removeLeftovers(places.applications);
        if (!stagingFolders(places.applications).empty())
            ++leftoversAfterStart;
    }
    std::printf("%d kills at random points (%d runs had finished first)\n", trials, finishedFirst);
    std::printf("  old bundle intact: %d, new bundle complete: %d, anything else: %d\n", oldFound, newFound, broken);
    std::printf("  not exactly one visible bundle: %d, not launchable: %d\n", notExactlyOne, notLaunchable);
    std::printf("  staging folders left by the kill: %d, left after the next start: %d\n", withLeftovers,
                leftoversAfterStart);
    return broken == 0 && notExactlyOne == 0 && notLaunchable == 0 && leftoversAfterStart == 0 ? 0 : 1;
}
