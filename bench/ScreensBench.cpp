// SPDX-License-Identifier: GPL-3.0-or-later
// The two search screens on a real tree, driven as a user would: times from "扫描" to the
// result view and of the full-content verification, the longest stall of the main thread
// while a search and the verification run (a 5 ms timer probe), and which files the
// verification opened.
//
// usage: screens_bench DIR   (build DIR with corvane_make_search_corpus)

#include "duplicates/ui/DupScanResultView.h"
#include "duplicates/ui/DuplicatedFileView.h"
#include "largefiles/ui/LargeFilesView.h"
#include "largefiles/ui/LargeResultView.h"
#include "platform/Layout.h"

#include "MainThreadProbe.h"

#include <QApplication>
#include <QElapsedTimer>
#include <QPushButton>
#include <QTest>
#include <QTimer>

#include <cstdio>
#include <mutex>
#include <set>

using namespace corvane;

namespace {

// Shows the screen with `root` as its only folder, presses "扫描" with the probe running
// and waits for the result view; returns the milliseconds it took. The probe keeps
// running so the caller decides where the stall measurement ends.
template <typename View> qint64 scanToResults(View& view, const std::string& root, bench::MainThreadProbe& probe)
{
    view.resize(900, 560);
    view.show();
    view.removeList();
    view.addPaths({root});
    QElapsedTimer t;
    probe.start();
    t.start();
    QTest::mouseClick(view.scanButton(), Qt::LeftButton);
    bench::spinUntil([&] { return view.resultView() != nullptr; });
    return t.elapsed();
}

} // namespace

int main(int argc, char** argv)
{
    setenv("QT_QPA_PLATFORM", "offscreen", 0);
    QApplication app(argc, argv);
    if (argc < 2) {
        std::fprintf(stderr, "usage: screens_bench DIR\n");
        return 2;
    }
    const std::string root = argv[1];
    const Layout& layout = Layout::current();
    bench::MainThreadProbe probe;

    {
        LargeFilesView view(layout);
        const qint64 ms = scanToResults(view, root, probe);
        const qint64 stall = probe.stop();
        std::printf("large files: %zu hits, scan to results %lld ms, longest main-thread stall %lld ms\n",
                    view.resultView()->model().reustlist().size(), (long long)ms, (long long)stall);
    }

    {
        DuplicatedFileView view(layout);
        const qint64 scanMs = scanToResults(view, root, probe);
        DupScanResultView* r = view.resultView();
        // The verification has already begun; watch what it opens from here on, and
        // compare with the members of the groups.
        std::set<std::string> members;
        size_t files = 0;
        for (const auto& g : r->model().list()) {
            for (const auto& o : g.members)
                members.insert(o->filePath);
            members.insert(g.hiddenPaths.begin(), g.hiddenPaths.end());
            files += g.members.size();
        }
        bench::spinUntil([&] { return !r->model().verifying(); });
        // One probe from "扫描" to the last verdict: the search, building the result view
        // and applying the verdicts all count.
        const qint64 stall = probe.stop();
        std::printf("duplicates: %zu groups, %zu files, scan to results %lld ms\n", r->model().list().size(), files,
                    (long long)scanMs);
        std::printf("verification: %lld ms, %.1f MB read; longest main-thread stall from scan to last verdict %lld ms\n",
                    (long long)r->model().verificationMs(), double(r->model().verifiedBytes()) / 1e6, (long long)stall);
        int identical = 0, differs = 0, other = 0;
        for (const auto& g : r->model().list())
            for (const auto& o : g.members) {
                if (o->check == DupScanReultObject::Check::Identical)
                    ++identical;
                else if (o->check == DupScanReultObject::Check::Differs ||
                         o->check == DupScanReultObject::Check::SameFile)
                    ++differs;
                else if (o->check != DupScanReultObject::Check::Kept)
                    ++other;
            }
        std::printf("verdicts: %d identical (ticked), %d differ (kept, marked), %d unverified\n", identical, differs,
                    other);

        // A second verification pass over the same groups, watching every file it opens.
        std::mutex m;
        std::set<std::string> opened;
        DupScanResultModel model(layout);
        model.setOpenObserver([&](const std::string& p) {
            std::lock_guard lock(m);
            opened.insert(p);
        });
        std::vector<DuplicateGroupRecord> records = r->model().resultList();
        model.setResultList(records);
        bench::spinUntil([&] { return !model.verifying(); });
        size_t outside = 0;
        for (const std::string& p : opened)
            if (!members.count(p))
                ++outside;
        std::printf("second pass: %lld ms; opened %zu files, %zu of them outside the candidate groups\n",
                    (long long)model.verificationMs(), opened.size(), outside);
    }
    return 0;
}
