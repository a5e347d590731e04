// SPDX-License-Identifier: GPL-3.0-or-later
// Times the junk scan of a generated cache tree against `du -sb` over the same entries.
// Usage: junk_scan_bench [entries] [folder]   (default 220000 entries in a scratch folder)
#include "TreeGenerator.h"
#include "common/ShellQuote.h"
#include "junk/engine/SystemClean.h"
#include "junk/engine/SystemCleanTreeBuilder.h"
#include "platform/Layout.h"

#include <QCoreApplication>

#include <chrono>
#include <cinttypes>
#include <cstdio>
#include <cstdlib>
#include <fcntl.h>
#include <string>
#include <sys/stat.h>
#include <unistd.h>

using namespace corvane;
using namespace corvane::bench;

namespace {

// A cache folder shaped like real ones: many application folders of uneven size, each
// with a few levels of sub-folders, plus loose files.
size_t generate(const std::string& caches, size_t target)
{
    size_t entries = 0;
    unsigned seed = 12345;
    auto rnd = [&](unsigned n) {
        seed = seed * 1103515245u + 12345u;
        return (seed >> 16) % n;
    };
    for (int app = 0; entries < target; ++app) {
        const std::string a = caches + "/com.vendor.app" + std::to_string(app);
        ::mkdir(a.c_str(), 0755);
        ++entries;
        const unsigned dirs = 1 + rnd(app % 7 == 0 ? 120 : 20);
        for (unsigned d = 0; d < dirs && entries < target; ++d) {
            const std::string dd = a + "/d" + std::to_string(d);
            ::mkdir(dd.c_str(), 0755);
            ++entries;
            const std::string inner = dd + "/x";
            ::mkdir(inner.c_str(), 0755);
            ++entries;
            const unsigned files = 5 + rnd(40);
            for (unsigned f = 0; f < files && entries < target; ++f, ++entries)
                touchFile((f % 2 ? dd : inner) + "/f" + std::to_string(f), rnd(9000));
        }
        if (app % 10 == 0 && entries < target) {
            touchFile(caches + "/loose" + std::to_string(app) + ".db", rnd(100000));
            ++entries;
        }
    }
    return entries;
}

} // namespace

int main(int argc, char** argv)
{
    QCoreApplication app(argc, argv);
    const size_t target = argc > 1 ? std::strtoul(argv[1], nullptr, 10) : 220000;
    std::string root;
    bool own = false;
    if (argc > 2) {
        root = argv[2];
    } else {
        char tmpl[] = "/tmp/corvane-bench-XXXXXX";
        root = ::mkdtemp(tmpl);
        own = true;
    }
    const Layout layout = Layout::macLayout(root, "bench");
    const std::string caches = root + "/Users/bench/Library/Caches";
    std::system(("mkdir -p " + shellQuote(caches)).c_str());
    auto t0 = std::chrono::steady_clock::now();
    const size_t made = generate(caches, target);
    std::printf("generated %zu entries in %.2fs under %s\n", made, secondsSince(t0), caches.c_str());

    SystemClean catalogue(layout);
    const auto listed = catalogue.userCaches();
    std::string du = "du -sb";
    for (const AnchoredPath& p : listed)
        du += " " + shellQuote(p.path);
    du += " > /dev/null";

    // Warm the inode and directory caches once, then one timed run of each.
    if (std::system(du.c_str()) != 0)
        std::fprintf(stderr, "du failed\n");
    t0 = std::chrono::steady_clock::now();
    if (std::system(du.c_str()) != 0)
        std::fprintf(stderr, "du failed\n");
    const double duTime = secondsSince(t0);

    t0 = std::chrono::steady_clock::now();
    const SystemCleanTreeBuilder builder(catalogue, [&] { return catalogue.isStop(); });
    const auto groups = builder.build(JunkCategory::Caches);
    const double scanTime = secondsSince(t0);
    uint64_t total = 0;
    size_t items = 0;
    for (const auto& g : groups) {
        total += g->fileSize;
        items += g->listArray.size();
    }
    std::printf("listed paths: %zu, items: %zu, bytes: %" PRIu64 "\n", listed.size(), items, total);
    std::printf("du -sb: %.3fs   scan (list + size, category 0): %.3fs   ratio scan/du: %.2f\n", duTime, scanTime,
                scanTime / duTime);
    if (own)
        std::system(("rm -rf " + shellQuote(root)).c_str());
    return 0;
}
