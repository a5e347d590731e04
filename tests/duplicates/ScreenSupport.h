// SPDX-License-Identifier: GPL-3.0-or-later
#pragma once

// Shared by the duplicate and large-file screen tests: waiting on the event loop, files
// equal in the fingerprint's sampled blocks, screenshots on request.

#include "platform/Layout.h"
#include "platform/StandardFolders.h"
#include "support/TempDir.h"
#include "support/UserLayout.h"

#include <QElapsedTimer>
#include <QPushButton>
#include <QTest>
#include <QWidget>

#include <cstdlib>
#include <functional>
#include <memory>
#include <random>
#include <string>

namespace corvane::test {

inline bool waitFor(const std::function<bool()>& done, int ms = 20000)
{
    QElapsedTimer t;
    t.start();
    while (!done() && t.elapsed() < ms)
        QTest::qWait(5);
    return done();
}

inline std::string randomBytes(size_t n, uint64_t seed)
{
    std::mt19937_64 rng(seed);
    std::string s(n, '\0');
    for (char& c : s)
        c = char(rng());
    return s;
}

// Two files of `size` bytes equal in the three 4096-byte blocks the fingerprint samples
// (at 0, size/3 and 2*size/3) but different at `offset`.
inline void writeSampledTwins(const std::string& a, const std::string& b, size_t size, size_t offset, uint64_t seed)
{
    std::string bytes = randomBytes(size, seed);
    writeFile(a, bytes);
    bytes[offset] = char(bytes[offset] ^ 0x5a);
    writeFile(b, bytes);
}


// A search screen shown offscreen on a macOS-style layout in a scratch root, with its
// Downloads folder made.
template <typename View> struct ScreenFixture
{
    TempDir root;
    const Layout layout = Layout::macLayout(root.path(), "tester");
    std::string downloads;
    std::unique_ptr<View> view; // goes before the layout it was given

    ScreenFixture()
    {
        downloads = StandardFolders::first(StandardFolders::Directory::Downloads, StandardFolders::UserDomain, layout);
        makeDirs(downloads);
        view = std::make_unique<View>(layout);
        view->resize(760, 600); // what the 960 x 640 window leaves beside its sidebar
        view->show();
    }
    ~ScreenFixture() { view.reset(); }
    void press(QPushButton* b) { QTest::mouseClick(b, Qt::LeftButton); }
};

inline void screenshot(QWidget* w, const char* name)
{
    if (const char* dir = std::getenv("CORVANE_SCREENSHOTS"))
        w->grab().save(QString::fromLocal8Bit(dir) + QStringLiteral("/") + QString::fromLatin1(name));
}

} // namespace corvane::test
