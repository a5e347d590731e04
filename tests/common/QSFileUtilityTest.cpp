// SPDX-License-Identifier: GPL-3.0-or-later
#include "common/QSFileUtility.h"
#include "support/TempDir.h"

#include <gtest/gtest.h>

#include <ctime>
#include <fcntl.h>
#include <sys/stat.h>
#include <unistd.h>

using namespace corvane;
using namespace corvane::test;

TEST(QSFileUtility, SizeTextsUseDecimalUnitsAndSwitchAtExactThresholds)
{
    EXPECT_EQ(QSFileUtility::fileSizeByDoubleSize(0), QStringLiteral("0B"));
    EXPECT_EQ(QSFileUtility::fileSizeByDoubleSize(999), QStringLiteral("999B"));
    EXPECT_EQ(QSFileUtility::fileSizeByDoubleSize(1000), QStringLiteral("1.0KB"));
    EXPECT_EQ(QSFileUtility::fileSizeByDoubleSize(999999), QStringLiteral("1000.0KB"));
    EXPECT_EQ(QSFileUtility::fileSizeByDoubleSize(1500000), QStringLiteral("1.5MB"));
    EXPECT_EQ(QSFileUtility::fileSizeByDoubleSize(1e9), QStringLiteral("1.0GB"));
    EXPECT_EQ(QSFileUtility::fileSizeByDoubleSize(2.5e12), QStringLiteral("2500.0GB"));
}

TEST(QSFileUtility, TypeAndKindTestsDoNotFollowLinksExceptFileType)
{
    TempDir t;
    writeFile(t / "f", "abc");
    makeDirs(t / "d");
    ASSERT_EQ(::symlink((t / "f").c_str(), (t / "lf").c_str()), 0);
    ASSERT_EQ(::symlink((t / "d").c_str(), (t / "ld").c_str()), 0);

    EXPECT_EQ(QSFileUtility::fileTypeByPath(t / "missing"), 0xE000);
    EXPECT_TRUE(S_ISREG(QSFileUtility::fileTypeByPath(t / "lf"))) << "fileTypeByPath follows links";
    EXPECT_EQ(QSFileUtility::fileTypeByPath(t / "f") & 0777, 0644) << "permission bits are kept";

    EXPECT_TRUE(QSFileUtility::fileIsRegular(t / "f"));
    EXPECT_FALSE(QSFileUtility::fileIsRegular(t / "lf"));
    EXPECT_TRUE(QSFileUtility::fileIsDirectory(t / "d"));
    EXPECT_FALSE(QSFileUtility::fileIsDirectory(t / "ld"));
    EXPECT_FALSE(QSFileUtility::fileIsDirectory(t / "missing"));
}

TEST(QSFileUtility, FileSizeFallsBackToStatAndTakesPackagesWhole)
{
    TempDir t;
    writeSized(t / "plain.bin", 12345);
    EXPECT_EQ(QSFileUtility::fileSizeByPath(t / "plain.bin"), 12345u);
    EXPECT_EQ(QSFileUtility::fileSizeByPath(t / "missing"), 0u);

    writeSized(t / "Tool.app/Contents/MacOS/Tool", 3000);
    writeSized(t / "Tool.app/Contents/Resources/a.dat", 7000);
    EXPECT_EQ(QSFileUtility::fileSizeByPath(t / "Tool.app"), 10000u);
}

TEST(QSFileUtility, TreeSizeCountsLinksAsThemselvesAndSkipsFolders)
{
    TempDir t;
    writeSized(t / "big", 1 << 20);
    makeDirs(t / "tree/empty");
    writeSized(t / "tree/a", 100);
    writeSized(t / "tree/.hidden", 50);
    writeSized(t / "tree/sub/deeper/b", 25);
    ASSERT_EQ(::symlink((t / "big").c_str(), (t / "tree/link").c_str()), 0);
    ASSERT_EQ(::symlink((t / "tree").c_str(), (t / "tree/sub/loop").c_str()), 0);

    const uint64_t linkSize = (t / "big").size();
    EXPECT_EQ(QSFileUtility::sizeAtPath(t / "big", false), 1u << 20);
    EXPECT_EQ(QSFileUtility::sizeAtPath(t / "tree/empty", false), 0u);
    EXPECT_EQ(QSFileUtility::sizeAtPath(t / "missing", false), 0u);
    EXPECT_EQ(QSFileUtility::sizeAtPath(t / "tree", false), 100u + 50u + 25u + linkSize + (t / "tree").size());
    EXPECT_EQ(QSFileUtility::sizeAtPath(t / "tree/link", false), linkSize);

    // Disk mode counts allocated blocks: a sparse file allocates almost nothing.
    const int fd = ::open((t / "sparse").c_str(), O_WRONLY | O_CREAT, 0644);
    ASSERT_GE(fd, 0);
    ASSERT_EQ(::ftruncate(fd, 64 << 20), 0);
    ::close(fd);
    EXPECT_EQ(QSFileUtility::sizeAtPath(t / "sparse", false), 64u << 20);
    EXPECT_LT(QSFileUtility::sizeAtPath(t / "sparse", true), 1u << 20);
    struct stat st;
    ASSERT_EQ(::lstat((t / "big").c_str(), &st), 0);
    EXPECT_EQ(QSFileUtility::sizeAtPath(t / "big", true), static_cast<uint64_t>(st.st_blocks) * 512);
}

TEST(QSFileUtility, TreeSizeSurvivesTreesDeeperThanAnyStack)
{
    TempDir t;
    // 3,000 levels: far beyond PATH_MAX, so every step must be relative to an open folder.
    makeDeepChain(t.path(), "d", 3000, {}, "leaf", "hello");
    EXPECT_EQ(QSFileUtility::sizeAtPath(t / "d", false), 5u);
}

TEST(QSFileUtility, FolderSizeOneIncludesFoldersAndMissingIsZero)
{
    TempDir t;
    writeSized(t / "f/a", 10);
    writeSized(t / "f/s/b", 20);
    struct stat st;
    ASSERT_EQ(::stat((t / "f/s").c_str(), &st), 0);
    EXPECT_EQ(QSFileUtility::folderSizeAtPath1(t / "f"), 30u + static_cast<uint64_t>(st.st_size));
    EXPECT_EQ(QSFileUtility::folderSizeAtPath1(t / "nope"), 0u);
    EXPECT_EQ(QSFileUtility::fileSizeAtPath1(t / "f/a"), 10u);
    EXPECT_EQ(QSFileUtility::fileSizeAtPath1(t / "nope"), 0u);
}

TEST(QSFileUtility, DatesFormatInLocalTime)
{
    const QDateTime d(QDate(2024, 2, 29), QTime(23, 5, 9));
    EXPECT_EQ(QSFileUtility::stringFromDate(d), QStringLiteral("2024-02-29 23:05:09"));
    EXPECT_EQ(QSFileUtility::stringFromDateByYear(d), QStringLiteral("2024-02-29"));

    TempDir t;
    EXPECT_FALSE(QSFileUtility::fileCreateDateByPath(t / "missing").has_value());
    EXPECT_FALSE(QSFileUtility::fileAddDateByPath(t / "missing").has_value());
}

TEST(QSFileUtility, NoDateAddedIsMadeUpFromTheChangeTime)
{
    // A file a year old that was merely made read-only today has not been added today.
    TempDir t;
    writeFile(t / "old", "x");
    const struct timespec yearAgo[2] = {{::time(nullptr) - 365 * 86400, 0}, {::time(nullptr) - 365 * 86400, 0}};
    ASSERT_EQ(::utimensat(AT_FDCWD, (t / "old").c_str(), yearAgo, 0), 0);
    ASSERT_EQ(::chmod((t / "old").c_str(), 0444), 0);
    EXPECT_FALSE(QSFileUtility::fileAddDateByPath(t / "old").has_value());
    ASSERT_EQ(::rename((t / "old").c_str(), (t / "moved").c_str()), 0);
    EXPECT_FALSE(QSFileUtility::fileAddDateByPath(t / "moved").has_value());
}
