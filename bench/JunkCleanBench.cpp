// SPDX-License-Identifier: GPL-3.0-or-later
// Times a junk scan and a clean of a generated ~/.cache on the Linux layout, through the
// same workflow object the screen and `corvane junk` drive.
// Usage: junk_clean_bench [entries]   (default 200000 entries, in a scratch home)
#include "TreeGenerator.h"
#include "common/ShellQuote.h"
#include "junk/engine/SystemClean.h"
#include "junk/engine/SystemCleanSession.h"
#include "platform/Layout.h"

#include <QCoreApplication>
#include <QEventLoop>

#include <chrono>
#include <cinttypes>
#include <cstdio>
#include <cstdlib>
#include <fcntl.h>
#include <string>
#include <sys/resource.h>
#include <sys/stat.h>
#include <unistd.h>

using namespace corvane;
using namespace corvane::bench;

namespace {

// Entries directly in the cache folder, each one item of the scan and one removal of the
// clean: mostly small files, every tenth a folder holding a few files.
size_t generate(const std::string& cache, size_t target)
{
    size_t items = 0;
    for (size_t i = 0; i < target; ++i, ++items) {
        const std::string entry = cache + "/entry" + std::to_string(i);
        if (i % 10 == 0) {
            ::mkdir(entry.c_str(), 0755);
            for (int f = 0; f < 3; ++f)
                touchFile(entry + "/f" + std::to_string(f), 100);
        } else {
            touchFile(entry, 64 + i % 512);
        }
    }
    return items;
}

long maxRssKiB()
{
    rusage ru{};
    ::getrusage(RUSAGE_SELF, &ru);
    return ru.ru_maxrss;
}

} // namespace

int main(int argc, char** argv)
{
    QCoreApplication app(argc, argv);
    const size_t target = argc > 1 ? std::strtoul(argv[1], nullptr, 10) : 200000;
    char tmpl[] = "/tmp/corvane-clean-bench-XXXXXX";
    const std::string root = ::mkdtemp(tmpl);
    const std::string home = root + "/home";
    const std::string cache = home + "/.cache";
    std::system(("mkdir -p " + shellQuote(cache) + " " + shellQuote(home + "/.config")).c_str());
    // A desktop user's folders file, as every Debian desktop has one.
    const std::string dirs = home + "/.config/user-dirs.dirs";
    if (FILE* f = std::fopen(dirs.c_str(), "w")) {
        std::fputs("XDG_DESKTOP_DIR=\"$HOME/Desktop\"\nXDG_DOWNLOAD_DIR=\"$HOME/Downloads\"\n"
                   "XDG_DOCUMENTS_DIR=\"$HOME/Documents\"\nXDG_MUSIC_DIR=\"$HOME/Music\"\n",
                   f);
        std::fclose(f);
    }
    ::setenv("HOME", home.c_str(), 1);
    for (const char* v : {"XDG_CACHE_HOME", "XDG_CONFIG_HOME", "XDG_DATA_HOME", "XDG_STATE_HOME"})
        ::unsetenv(v);
    // The machine folders (/var/cache, /var/log) live under the scratch root too: a bench
    // run as root must not clean the machine it runs on.
    const Layout layout(Layout::Kind::Linux, root, home, "bench");

    auto t0 = std::chrono::steady_clock::now();
    const size_t made = generate(cache, target);
    std::printf("generated %zu entries in %.2fs under %s\n", made, secondsSince(t0), cache.c_str());
    // The new tree is written out first, so the clean does not compete with its writeback.
    ::sync();

    SystemClean catalogue(layout);
    SystemCleanSession session(catalogue);
    for (const SystemCleanObject::Ptr& category : session.list())
        session.selectBtnClicked(categoryIndex(category->type), category->type == JunkCategory::Caches);
    QEventLoop loop;
    QObject::connect(&session, &SystemCleanSession::scanFinished, &loop, &QEventLoop::quit);
    QObject::connect(&session, &SystemCleanSession::cleanFinished, &loop, &QEventLoop::quit);

    t0 = std::chrono::steady_clock::now();
    session.scanMethods();
    loop.exec();
    const double scanTime = secondsSince(t0);
    const uint64_t found = session.totalAllSize();

    t0 = std::chrono::steady_clock::now();
    session.scanMethods(); // "清理"
    loop.exec();
    const double cleanTime = secondsSince(t0);
    const SystemCleanPass::Report& report = session.lastReport();

    std::printf(
        "scan: %.2fs (found %" PRIu64 " bytes)   clean: %.2fs (%zu removed, %zu left, cleaned %" PRIu64 " bytes)   "
        "peak RSS %ld KiB\n",
        scanTime, found, cleanTime, report.removed.size(), report.leftovers.size(), report.removedSize, maxRssKiB());
    std::system(("rm -rf " + shellQuote(root)).c_str());
    return 0;
}
