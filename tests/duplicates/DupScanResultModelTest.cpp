// SPDX-License-Identifier: GPL-3.0-or-later
// The duplicate result model: default ticks only on verified copies, removal rules,
// groups shrinking and disappearing, sort orders, the "vmdk" rule.
#include "duplicates/engine/DupScanResultModel.h"
#include "common/QSFileUtility.h"
#include "duplicates/engine/DuplicatedScanSession.h"
#include "platform/FileChecks.h"

#include "ScreenSupport.h"

#include <QAbstractItemModelTester>

#include <gtest/gtest.h>

#include <algorithm>
#include <unistd.h>

using namespace corvane;
using namespace corvane::test;
using Check = DupScanReultObject::Check;

namespace {

DuplicateGroupRecord record(std::vector<std::string> paths, const std::string& hash)
{
    DuplicateGroupRecord r;
    r.fileList = paths;
    r.fileSize = paths.empty() ? 0 : QSFileUtility::sizeAtPath(paths.front(), false);
    r.fileHash = hash;
    r.fileExtenstion = DuplicatedScanSession::representativeExtension(paths);
    return r;
}

bool verified(DupScanResultModel& m)
{
    return waitFor([&] { return !m.verifying(); });
}

bool removed(DupScanResultModel& m)
{
    return waitFor([&] { return m.removalsPending() == 0; });
}

} // namespace

TEST(DupScanResultModel, GroupOfTwoTicksTheVerifiedCopyAndDeleteLeavesAGroupOfOne)
{
    TempDir t;
    const std::string bytes = randomBytes(5000, 3);
    writeFile(t / "one.txt", bytes);
    writeFile(t / "two.txt", bytes);
    DupScanResultModel m(userLayout());
    QAbstractItemModelTester tester(&m, QAbstractItemModelTester::FailureReportingMode::Fatal);
    m.setResultList({record({t / "two.txt", t / "one.txt"}, "h")});
    ASSERT_EQ(m.list().size(), 1u);
    const auto& g = m.list()[0];
    // Before the comparison nothing is ticked.
    EXPECT_FALSE(g.members[0]->state);
    EXPECT_EQ(g.members[1]->check, Check::Kept);
    ASSERT_TRUE(verified(m));
    EXPECT_EQ(g.members[0]->check, Check::Identical);
    EXPECT_TRUE(g.members[0]->state);
    EXPECT_FALSE(g.members[1]->state);
    ASSERT_EQ(m.deleteList().size(), 1u);
    EXPECT_EQ(m.deleteList()[0]->filePath, t / "two.txt");

    ASSERT_TRUE(m.deleteAllFile());
    EXPECT_TRUE(m.deleteList().empty());
    ASSERT_TRUE(removed(m));
    EXPECT_FALSE(exists(t / "two.txt"));
    EXPECT_TRUE(exists(t / "one.txt"));
    ASSERT_EQ(m.list().size(), 1u);
    ASSERT_EQ(m.list()[0].members.size(), 1u);
    EXPECT_EQ(m.list()[0].members[0]->count, 1);
    // Nothing ticked any more: "删除" does nothing.
    EXPECT_FALSE(m.deleteAllFile());
}

TEST(DupScanResultModel, SampledTwinsAreMarkedAndNeverRemovedAsDuplicates)
{
    TempDir t;
    writeSampledTwins(t / "a.dat", t / "b.dat", 2000000, 1234567, 11);
    DupScanResultModel m(userLayout());
    QAbstractItemModelTester tester(&m, QAbstractItemModelTester::FailureReportingMode::Fatal);
    m.setResultList({record({t / "b.dat", t / "a.dat"}, "same-samples")});
    ASSERT_TRUE(verified(m));
    auto differing = m.list()[0].members[0];
    EXPECT_EQ(differing->check, Check::Differs);
    EXPECT_FALSE(differing->state);
    EXPECT_FALSE(differing->note.isEmpty());
    EXPECT_TRUE(m.deleteList().empty());
    // Neither the box, nor the row's button, nor "删除" removes it.
    m.selectBtnClicked(differing, true);
    EXPECT_FALSE(differing->state);
    m.deleteFile(differing);
    EXPECT_FALSE(m.deleteAllFile());
    ASSERT_TRUE(removed(m));
    EXPECT_TRUE(exists(t / "a.dat"));
    EXPECT_TRUE(exists(t / "b.dat"));
    EXPECT_EQ(m.list()[0].members.size(), 2u);
}

TEST(DupScanResultModel, CopiesThatDifferOrCannotBeComparedGoAloneAndOnlyWhenConfirmed)
{
    TempDir t;
    writeSampledTwins(t / "kept.dat", t / "twin.dat", 2000000, 1234567, 12);
    writeFile(t / "copy.dat", readFile(t / "kept.dat"));
    // A group whose copy that stays vanished before it could be compared.
    const std::string bytes = randomBytes(6000, 13);
    writeFile(t / "orphan.txt", bytes);
    writeFile(t / "gone.txt", bytes);
    // Gone before the verification starts: removed after setResultList, it would race
    // the background comparison.
    ASSERT_EQ(::unlink((t / "gone.txt").c_str()), 0);
    DupScanResultModel m(userLayout());
    QAbstractItemModelTester tester(&m, QAbstractItemModelTester::FailureReportingMode::Fatal);
    m.setResultList({record({t / "twin.dat", t / "copy.dat", t / "kept.dat"}, "twins"),
                     record({t / "orphan.txt", t / "gone.txt"}, "orphan")});
    ASSERT_TRUE(verified(m));
    const auto member = [&](const std::string& path) -> DupScanResultModel::ObjectPtr {
        for (const auto& g : m.list())
            for (const auto& o : g.members)
                if (o->filePath == path)
                    return o;
        return nullptr;
    };
    const auto twin = member(t / "twin.dat");
    const auto orphan = member(t / "orphan.txt");
    const auto kept = member(t / "kept.dat");
    ASSERT_TRUE(twin && orphan && kept);
    EXPECT_EQ(twin->check, Check::Differs);
    EXPECT_EQ(orphan->check, Check::Unreadable);
    EXPECT_TRUE(twin->deletable() && twin->confirmationNeeded());
    EXPECT_TRUE(orphan->deletable() && orphan->confirmationNeeded());

    // The guarded ways keep both: the box, the plain row removal, and "删除".
    m.selectBtnClicked(twin, true);
    EXPECT_FALSE(twin->state);
    m.deleteFile(twin);
    m.deleteFile(orphan);
    ASSERT_TRUE(removed(m));
    EXPECT_FALSE(orphan->note.isEmpty());
    ASSERT_TRUE(m.deleteAllFile()); // the verified copy only
    ASSERT_TRUE(removed(m));
    EXPECT_TRUE(exists(t / "twin.dat"));
    EXPECT_TRUE(exists(t / "orphan.txt"));
    EXPECT_FALSE(exists(t / "copy.dat"));

    // The copy that stays, asked to go while only a different file would remain, is
    // refused and still reads as the copy that stays.
    m.deleteFile(kept);
    ASSERT_TRUE(removed(m));
    EXPECT_TRUE(exists(t / "kept.dat"));
    EXPECT_EQ(kept->check, Check::Kept);

    // Confirmed by the person, each goes alone; the different file that stays is untouched.
    m.deleteFileConfirmed(twin);
    m.deleteFileConfirmed(orphan);
    ASSERT_TRUE(removed(m));
    EXPECT_FALSE(exists(t / "twin.dat"));
    EXPECT_FALSE(exists(t / "orphan.txt"));
    EXPECT_EQ(readFile(t / "kept.dat").size(), 2000000u);
    ASSERT_EQ(m.list().size(), 2u);
    for (const auto& g : m.list()) {
        // Each group is down to its copy that stays (the vanished one still listed).
        ASSERT_EQ(g.members.size(), 1u);
        EXPECT_EQ(g.members[0]->check, Check::Kept);
        EXPECT_EQ(g.members[0]->count, 1);
    }
    EXPECT_EQ(m.objectById(kept->id), kept);
}

TEST(DupScanResultModel, TheSameFileUnderASecondNameIsNeverRemoved)
{
    TempDir t;
    writeFile(t / "kept.bin", randomBytes(5000, 14));
    ASSERT_EQ(::link((t / "kept.bin").c_str(), (t / "link.bin").c_str()), 0);
    // A copy that differed when it was compared and has since become a second name of
    // the copy that stays.
    writeSampledTwins(t / "other-kept.bin", t / "was-twin.bin", 1000000, 500000, 15);
    DupScanResultModel m(userLayout());
    QAbstractItemModelTester tester(&m, QAbstractItemModelTester::FailureReportingMode::Fatal);
    m.setResultList({record({t / "link.bin", t / "kept.bin"}, "linked"),
                     record({t / "was-twin.bin", t / "other-kept.bin"}, "twins")});
    ASSERT_TRUE(verified(m));
    DupScanResultModel::ObjectPtr link, wasTwin;
    for (const auto& g : m.list()) {
        if (g.fileHash == "linked")
            link = g.members[0];
        else
            wasTwin = g.members[0];
    }
    ASSERT_TRUE(link && wasTwin);
    EXPECT_EQ(link->check, Check::SameFile);
    EXPECT_FALSE(link->removable());
    EXPECT_FALSE(link->deletable());
    EXPECT_FALSE(link->note.isEmpty());
    m.selectBtnClicked(link, true);
    EXPECT_FALSE(link->state);
    m.deleteFile(link);
    m.deleteFileConfirmed(link);
    EXPECT_FALSE(m.deleteAllFile());

    ASSERT_EQ(wasTwin->check, Check::Differs);
    ASSERT_EQ(::unlink((t / "was-twin.bin").c_str()), 0);
    ASSERT_EQ(::link((t / "other-kept.bin").c_str(), (t / "was-twin.bin").c_str()), 0);
    m.deleteFileConfirmed(wasTwin);
    ASSERT_TRUE(removed(m));
    EXPECT_TRUE(exists(t / "link.bin"));
    EXPECT_TRUE(exists(t / "kept.bin"));
    EXPECT_TRUE(exists(t / "was-twin.bin"));
    EXPECT_TRUE(exists(t / "other-kept.bin"));
    EXPECT_EQ(wasTwin->check, Check::SameFile);
    EXPECT_FALSE(wasTwin->deletable());
    EXPECT_EQ(m.list().size(), 2u);
}

TEST(DupScanResultModel, ACopyChangedAfterVerificationIsComparedAgainAndKept)
{
    TempDir t;
    const std::string bytes = randomBytes(200000, 5);
    writeFile(t / "x", bytes);
    writeFile(t / "y", bytes);
    DupScanResultModel m(userLayout());
    QAbstractItemModelTester tester(&m, QAbstractItemModelTester::FailureReportingMode::Fatal);
    m.setResultList({record({t / "y", t / "x"}, "h")});
    ASSERT_TRUE(verified(m));
    ASSERT_EQ(m.deleteList().size(), 1u);
    std::string changed = bytes;
    changed[150000] = char(changed[150000] ^ 1);
    writeFile(t / "y", changed);
    ASSERT_TRUE(m.deleteAllFile());
    ASSERT_TRUE(removed(m));
    EXPECT_EQ(readFile(t / "y"), changed);
    EXPECT_EQ(m.list()[0].members.size(), 2u);
    EXPECT_EQ(m.list()[0].members[0]->check, Check::Differs);
}

TEST(DupScanResultModel, EveryMemberTickedRemovesAllAndTheGroup)
{
    TempDir t;
    const std::string bytes = randomBytes(3000, 9);
    for (const char* n : {"p", "q", "r"})
        writeFile(t / n, bytes);
    writeFile(t / "s1", randomBytes(4000, 1));
    writeFile(t / "s2", readFile(t / "s1"));
    DupScanResultModel m(userLayout());
    QAbstractItemModelTester tester(&m, QAbstractItemModelTester::FailureReportingMode::Fatal);
    m.setResultList({record({t / "p", t / "q", t / "r"}, "h1"), record({t / "s1", t / "s2"}, "h2")});
    ASSERT_TRUE(verified(m));
    const auto group = [&](const std::string& h) -> const DupScanResultModel::Group* {
        for (const auto& g : m.list())
            if (g.fileHash == h)
                return &g;
        return nullptr;
    };
    ASSERT_EQ(group("h1")->members.size(), 3u);
    for (const auto& o : group("h1")->members)
        m.selectBtnClicked(o, true);
    ASSERT_TRUE(m.deleteAllFile());
    ASSERT_TRUE(removed(m));
    EXPECT_FALSE(exists(t / "p"));
    EXPECT_FALSE(exists(t / "q"));
    EXPECT_FALSE(exists(t / "r"));
    EXPECT_EQ(group("h1"), nullptr);
    // The other group lost its ticked copy only.
    ASSERT_NE(group("h2"), nullptr);
    ASSERT_EQ(group("h2")->members.size(), 1u);
    EXPECT_TRUE(exists(t / "s2"));
    EXPECT_FALSE(exists(t / "s1"));
    // Deleting the last file of a group removes the group.
    m.deleteFile(group("h2")->members[0]);
    ASSERT_TRUE(removed(m));
    EXPECT_TRUE(m.list().empty());
    EXPECT_FALSE(exists(t / "s2"));
}

TEST(DupScanResultModel, VmdkIsNeverOfferedAndGroupsSortThreeWays)
{
    TempDir t;
    const std::string disk = randomBytes(3000, 2);
    writeFile(t / "a.vmdk", disk);
    writeFile(t / "b.vmdk", disk);
    writeFile(t / "c.iso", disk);
    writeFile(t / "n1", randomBytes(2000, 3));
    writeFile(t / "n2", readFile(t / "n1"));
    writeFile(t / "m1.TXT", randomBytes(9000, 4));
    writeFile(t / "m2.txt", readFile(t / "m1.TXT"));
    writeFile(t / "m3.txt", readFile(t / "m1.TXT"));
    DupScanResultModel m(userLayout());
    QAbstractItemModelTester tester(&m, QAbstractItemModelTester::FailureReportingMode::Fatal);
    m.setResultList({record({t / "a.vmdk", t / "c.iso", t / "b.vmdk"}, "v"), record({t / "n1", t / "n2"}, "n"),
                     record({t / "m1.TXT", t / "m2.txt", t / "m3.txt"}, "m")});
    ASSERT_TRUE(verified(m));
    for (const auto& g : m.list())
        for (const auto& o : g.members)
            EXPECT_NE(pathExtension(o->filePath), "vmdk");
    // The iso copy is verified against the disk that stays, and is the only member shown.
    const auto byHash = [&](const std::string& h) {
        return std::find_if(m.list().begin(), m.list().end(), [&](const auto& g) { return g.fileHash == h; });
    };
    ASSERT_EQ(byHash("v")->members.size(), 1u);
    EXPECT_TRUE(byHash("v")->members[0]->state);
    for (const auto& o : m.deleteList())
        EXPECT_NE(pathExtension(o->filePath), "vmdk");

    auto order = [&] {
        std::string s;
        for (const auto& g : m.list())
            s += g.fileHash;
        return s;
    };
    EXPECT_EQ(order(), "mvn"); // size: 9000, 3000, 2000
    m.setSortKind(1);
    EXPECT_EQ(order(), "mnv"); // count 3, 2, then 1 (the vmdk copies are left out)
    m.setSortKind(2);
    EXPECT_EQ(order(), "nvm"); // no extension first, then ISO, then TXT
    EXPECT_EQ(DupScanResultModel::typeText(*byHash("n")).toStdString(), "other");
    EXPECT_EQ(DupScanResultModel::typeText(*byHash("m")).toStdString(), "类型:txt");
}

TEST(DupScanResultModel, TextsOfGroupRows)
{
    EXPECT_EQ(DupScanResultModel::sizeText(2.4e9).toStdString(), "大小:2GB");
    EXPECT_EQ(DupScanResultModel::sizeText(1e9).toStdString(), "大小:1GB");
    EXPECT_EQ(DupScanResultModel::sizeText(999999).toStdString(), "大小:1000KB");
    EXPECT_EQ(DupScanResultModel::sizeText(15.6e6).toStdString(), "大小:16MB");
    EXPECT_EQ(DupScanResultModel::countText(3).toStdString(), "数量:3");
    DupScanReultObject o;
    o.filePath = "/" + std::string(30, 'a');
    EXPECT_EQ(o.shownPath().toStdString(), "..." + std::string(30, 'a'));
    o.filePath = "/" + std::string(29, 'a');
    EXPECT_EQ(o.shownPath().toStdString(), o.filePath);
}

TEST(DuplicatedScanSession, RepresentativeExtension)
{
    using S = DuplicatedScanSession;
    EXPECT_FALSE(S::representativeExtension({"/a/x", "/a/y"}));
    EXPECT_EQ(*S::representativeExtension({"/a/x", "/a/y.JPG"}), "jpg");
    // "png" is spelled in lower or upper case by two paths, more than the first
    // candidate's one: it takes over. "Png" counts for neither spelling.
    EXPECT_EQ(*S::representativeExtension({"/a.jpg", "/b.png", "/c.PNG", "/d.Png"}), "png");
    EXPECT_EQ(*S::representativeExtension({"/a.jpg", "/b.Png", "/c.jpg"}), "jpg");
}

TEST(DuplicatedScanSession, GroupsSharingAFingerprintButNotASizeStayApart)
{
    // Zero-filled files of at least three sample blocks all give the same sampled
    // fingerprint; only their sizes tell these two groups apart.
    TempDir t;
    writeSized(t / "z/a-12k", 12288, '\0');
    writeSized(t / "z/b-12k", 12288, '\0');
    writeSized(t / "z/a-16k", 16384, '\0');
    writeSized(t / "z/b-16k", 16384, '\0');
    DuplicatedScanSession session;
    ASSERT_EQ(session.addPaths({t / "z"}), 1);
    bool finished = false;
    QObject::connect(&session, &DuplicatedScanSession::finished, &session, [&] { finished = true; });
    ASSERT_EQ(session.scanResult(), DuplicatedScanSession::ScanAction::Started);
    ASSERT_TRUE(waitFor([&] { return finished; }));

    std::vector<DuplicateGroupRecord> groups = session.results();
    ASSERT_EQ(groups.size(), 2u);
    std::sort(groups.begin(), groups.end(), [](const auto& a, const auto& b) { return a.fileSize < b.fileSize; });
    EXPECT_EQ(groups[0].fileHash, groups[1].fileHash);
    EXPECT_EQ(groups[0].fileSize, 12288u);
    EXPECT_EQ(groups[1].fileSize, 16384u);
    for (DuplicateGroupRecord& g : groups) {
        std::sort(g.fileList.begin(), g.fileList.end());
        ASSERT_EQ(g.fileList.size(), 2u);
        EXPECT_EQ(QSFileUtility::sizeAtPath(g.fileList[0], false), g.fileSize);
        EXPECT_EQ(QSFileUtility::sizeAtPath(g.fileList[1], false), g.fileSize);
    }

    // Both groups reach the result model and stay two groups there.
    DupScanResultModel m(userLayout());
    QAbstractItemModelTester tester(&m, QAbstractItemModelTester::FailureReportingMode::Fatal);
    m.setResultList(session.results());
    ASSERT_TRUE(verified(m));
    ASSERT_EQ(m.list().size(), 2u);
    EXPECT_EQ(m.deleteList().size(), 2u);
}

TEST(DupScanResultModel, NamesThatAreNotTextAreRemovedByTheirBytes)
{
    TempDir t;
    const std::string bytes = randomBytes(4000, 31);
    const std::string odd = t / "copy\x80\n-rf $(x).bin";
    const std::string kept = t / "copy\xEF\xBF\xBD\n-rf $(x).bin"; // what a lossy decoding would name
    writeFile(odd, bytes);
    writeFile(kept, bytes);
    DupScanResultModel m(userLayout());
    QAbstractItemModelTester tester(&m, QAbstractItemModelTester::FailureReportingMode::Fatal);
    m.setResultList({record({odd, kept}, "h")});
    ASSERT_TRUE(verified(m));
    ASSERT_EQ(m.deleteList().size(), 1u);
    EXPECT_EQ(m.deleteList()[0]->filePath, odd);
    ASSERT_TRUE(m.deleteAllFile());
    ASSERT_TRUE(removed(m));
    EXPECT_FALSE(exists(odd));
    EXPECT_TRUE(exists(kept));
    EXPECT_EQ(m.list()[0].members[0]->shownPath().size(), 33);
}
