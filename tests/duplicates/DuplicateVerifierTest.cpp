// SPDX-License-Identifier: GPL-3.0-or-later
// The full-content comparison that guards every removal of a duplicate.
#include "duplicates/engine/DuplicateVerifier.h"

#include "ScreenSupport.h"

#include <gtest/gtest.h>

#include <set>
#include <unistd.h>

using namespace corvane;
using namespace corvane::test;
using V = DuplicateVerifier::Verdict;

TEST(DuplicateVerifier, WholeContentDecidesNotTheSamples)
{
    TempDir t;
    writeSampledTwins(t / "a.bin", t / "b.bin", 1000000, 100000, 1);
    const std::string bytes = readFile(t / "a.bin");
    writeFile(t / "copy.bin", bytes);
    std::string lastByte = bytes;
    lastByte.back() = char(lastByte.back() ^ 1);
    writeFile(t / "last.bin", lastByte);
    writeFile(t / "short.bin", bytes.substr(0, bytes.size() - 1));
    ASSERT_EQ(::link((t / "a.bin").c_str(), (t / "hard.bin").c_str()), 0);

    DuplicateVerifier v;
    const std::vector<V> verdicts = v.compareWith(
        t / "a.bin", {t / "b.bin", t / "copy.bin", t / "last.bin", t / "short.bin", t / "hard.bin", t / "missing.bin"});
    EXPECT_EQ(verdicts, (std::vector<V>{V::Differs, V::Identical, V::Differs, V::Differs, V::SameFile, V::Unreadable}));
    // An unreadable reference verifies nothing.
    EXPECT_EQ(v.compare(t / "gone.bin", t / "copy.bin"), V::Unreadable);
}

TEST(DuplicateVerifier, ManyCopiesAreReadOnceEachAndOnlyThose)
{
    TempDir t;
    const std::string bytes = randomBytes(300000, 7);
    std::vector<std::string> copies;
    for (int i = 0; i < 70; ++i) { // more than one batch of open files
        copies.push_back(t / ("c" + std::to_string(i)));
        writeFile(copies.back(), bytes);
    }
    writeFile(t / "reference", bytes);
    writeFile(t / "bystander", bytes);
    std::multiset<std::string> opened;
    DuplicateVerifier v;
    v.setOpenObserver([&](const std::string& p) { opened.insert(p); });
    for (V verdict : v.compareWith(t / "reference", copies))
        EXPECT_EQ(verdict, V::Identical);
    EXPECT_EQ(opened.count(t / "bystander"), 0u);
    for (const std::string& c : copies)
        EXPECT_EQ(opened.count(c), 1u) << c;
    EXPECT_EQ(opened.count(t / "reference"), 2u); // once per batch of 63
}

TEST(DuplicateVerifier, PackagesCompareEveryEntryHiddenOnesIncluded)
{
    TempDir t;
    for (const std::string app : {"A.app", "B.app"}) {
        writeFile(t / (app + "/Contents/MacOS/tool"), "binary");
        writeFile(t / (app + "/Contents/.hidden"), "state");
        ASSERT_EQ(::symlink("MacOS/tool", (t / (app + "/Contents/link")).c_str()), 0);
    }
    DuplicateVerifier v;
    EXPECT_EQ(v.compare(t / "A.app", t / "B.app"), V::Identical);
    writeFile(t / "B.app/Contents/.hidden", "other");
    EXPECT_EQ(v.compare(t / "A.app", t / "B.app"), V::Differs);
    writeFile(t / "B.app/Contents/.hidden", "state");
    ::unlink((t / "B.app/Contents/link").c_str());
    ASSERT_EQ(::symlink("MacOS/other", (t / "B.app/Contents/link").c_str()), 0);
    EXPECT_EQ(v.compare(t / "A.app", t / "B.app"), V::Differs);
    // A folder is never the same content as a file.
    writeFile(t / "file", "binary");
    EXPECT_EQ(v.compare(t / "A.app", t / "file"), V::Differs);
    EXPECT_EQ(v.compare(t / "file", t / "A.app"), V::Differs);
}
