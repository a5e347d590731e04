// SPDX-License-Identifier: GPL-3.0-or-later
#include "common/QSWebUtility.h"

#include "support/TempDir.h"

#include <QCryptographicHash>

#include <gtest/gtest.h>

#include <climits>
#include <fcntl.h>
#include <unistd.h>

using namespace corvane;
using namespace corvane::test;

namespace {

std::string md5Hex(const std::string& bytes)
{
    return QCryptographicHash::hash(QByteArray::fromStdString(bytes), QCryptographicHash::Md5).toHex().toStdString();
}

std::string pattern(size_t size, unsigned seed)
{
    return patternBytes(size, seed, 1);
}

} // namespace

TEST(QSWebUtility, HashStringKindsAndNothingForOthers)
{
    EXPECT_EQ(QSWebUtility::hashString("abc", 0), "900150983cd24fb0d6963f7d28e17f72");
    EXPECT_EQ(QSWebUtility::hashString("abc", 1), "a9993e364706816aba3e25717850c26c9cd0d89d");
    EXPECT_EQ(QSWebUtility::hashString("abc", 2), "ba7816bf8f01cfea414140de5dae2223b00361a396177a9cb410ff61f20015ad");
    EXPECT_EQ(QSWebUtility::hashString("abc", 3)->size(), 128u);
    EXPECT_EQ(QSWebUtility::hashString("", 0), "d41d8cd98f00b204e9800998ecf8427e");
    // The text's UTF-8 bytes, not some other encoding.
    EXPECT_EQ(QSWebUtility::hashString("垃圾", 0), md5Hex("垃圾"));
    EXPECT_FALSE(QSWebUtility::hashString("abc", 4));
    EXPECT_FALSE(QSWebUtility::hashString("abc", -1));
}

TEST(QSWebUtility, LazyMD5SamplesAtTheRightOffsets)
{
    TempDir tmp;
    // Under 4096 bytes: the whole file.
    const std::string small = pattern(100, 1);
    writeFile(tmp / "small", small);
    EXPECT_EQ(QSWebUtility::lazyMD5File(tmp / "small"), md5Hex(small));

    // 4096..8191 bytes: two samples at 0 and S/2, overlapping.
    const std::string two = pattern(5000, 2);
    writeFile(tmp / "two", two);
    EXPECT_EQ(QSWebUtility::lazyMD5File(tmp / "two"), md5Hex(two.substr(0, 4096) + two.substr(2500)));

    // Exactly 4096 bytes: S/4096 + 1 = 2 samples, the second one at 2048.
    const std::string page = pattern(4096, 3);
    writeFile(tmp / "page", page);
    EXPECT_EQ(QSWebUtility::lazyMD5File(tmp / "page"), md5Hex(page + page.substr(2048)));

    // Larger: three samples at 0, S/3 and 2*(S/3).
    const std::string three = pattern(20000, 4);
    writeFile(tmp / "three", three);
    EXPECT_EQ(QSWebUtility::lazyMD5File(tmp / "three"),
              md5Hex(three.substr(0, 4096) + three.substr(6666, 4096) + three.substr(13332, 4096)));
    EXPECT_EQ(QSWebUtility::lazyMD5FileAt(AT_FDCWD, (tmp / "three").c_str()), QSWebUtility::lazyMD5File(tmp / "three"));
}

TEST(QSWebUtility, LazyMD5NothingForEmptyMissingOrFolder)
{
    TempDir tmp;
    writeFile(tmp / "empty", "");
    EXPECT_FALSE(QSWebUtility::lazyMD5File(tmp / "empty"));
    EXPECT_FALSE(QSWebUtility::lazyMD5File(tmp / "missing"));
    EXPECT_FALSE(QSWebUtility::lazyMD5File(""));
    makeDirs(tmp / "folder");
    EXPECT_FALSE(QSWebUtility::lazyMD5File(tmp / "folder"));
}

TEST(QSWebUtility, LazyMD5SeesOnlyTheSampledBlocks)
{
    TempDir tmp;
    const std::string content = pattern(10000000, 5);
    writeFile(tmp / "a", content);
    writeFile(tmp / "b", content);
    writeFile(tmp / "c", content);
    pokeByte(tmp / "b", 5000000, static_cast<char>(content[5000000] ^ 1));  // between samples
    pokeByte(tmp / "c", 3333333 + 10, static_cast<char>(content[3333343] ^ 1)); // inside the second
    EXPECT_EQ(QSWebUtility::lazyMD5File(tmp / "a"), QSWebUtility::lazyMD5File(tmp / "b"));
    EXPECT_NE(QSWebUtility::lazyMD5File(tmp / "a"), QSWebUtility::lazyMD5File(tmp / "c"));
}

TEST(QSWebUtility, PackageFingerprintListsNamesStructureAndSizes)
{
    TempDir tmp;
    const std::string app = tmp / "Demo.app";
    writeFile(app + "/Contents/Info.plist", "12345");
    writeFile(app + "/Contents/MacOS/Demo", "xy");
    ASSERT_EQ(::symlink("MacOS/Demo", (app + "/Contents/link").c_str()), 0);
    const std::string expected =
        md5Hex("Contents,Contents/Info.plist-5,Contents/MacOS,Contents/MacOS/Demo-2,Contents/link");
    EXPECT_EQ(QSWebUtility::lazyHashPackage(app), expected);
    EXPECT_EQ(QSWebUtility::lazyHashPackage(app + "/"), expected);

    // Hidden and "__MACOSX" names are dropped at the top level only.
    writeFile(app + "/.DS_Store", "junk");
    writeFile(app + "/__MACOSX/x", "junk");
    EXPECT_EQ(QSWebUtility::lazyHashPackage(app), expected);
    writeFile(app + "/Contents/.hidden", "");
    EXPECT_NE(QSWebUtility::lazyHashPackage(app), expected);
}

TEST(QSWebUtility, PackageFingerprintFollowsSizesNotContentsAndStopsAtDepth)
{
    TempDir tmp;
    const std::string app = tmp / "Deep.app";
    writeFile(app + "/a/b/c/file", "1234");
    const std::string before = QSWebUtility::lazyHashPackage(app);
    writeFile(app + "/a/b/c/file", "abcd"); // same size, other bytes
    EXPECT_EQ(QSWebUtility::lazyHashPackage(app), before);
    writeFile(app + "/a/b/c/file", "12345");
    EXPECT_NE(QSWebUtility::lazyHashPackage(app), before);

    // a/b/c has three components and is entered; a/b/c/d has four and is neither listed
    // nor entered.
    const std::string atLimit = QSWebUtility::lazyHashPackage(app);
    writeFile(app + "/a/b/c/d/e", "zz");
    EXPECT_EQ(QSWebUtility::lazyHashPackage(app), atLimit);
    EXPECT_EQ(atLimit, md5Hex("a,a/b,a/b/c,a/b/c/file-5"));
}

TEST(QSWebUtility, DirectoryValidAppAndLazyHashFileChoice)
{
    TempDir tmp;
    makeDirs(tmp / "Tool.app/Contents");
    makeDirs(tmp / "Microsoft Office 2011");
    makeDirs(tmp / "Adobe Photoshop CS6");
    makeDirs(tmp / "microsoft office 2011");
    makeDirs(tmp / "Plain");
    writeFile(tmp / "Microsoft Office notes.txt", std::string(5000, 'x'));
    EXPECT_TRUE(QSWebUtility::directoryValidApp(tmp / "Tool.app"));
    EXPECT_TRUE(QSWebUtility::directoryValidApp(tmp / "Microsoft Office 2011"));
    EXPECT_TRUE(QSWebUtility::directoryValidApp(tmp / "Adobe Photoshop CS6"));
    EXPECT_FALSE(QSWebUtility::directoryValidApp(tmp / "microsoft office 2011")); // case-sensitive
    EXPECT_FALSE(QSWebUtility::directoryValidApp(tmp / "Plain"));
    // A file that merely carries a product name is a file, fingerprinted by its contents.
    EXPECT_FALSE(QSWebUtility::directoryValidApp(tmp / "Microsoft Office notes.txt"));
    EXPECT_EQ(QSWebUtility::lazyHashFile(tmp / "Microsoft Office notes.txt"), md5Hex(std::string(5000, 'x').substr(0, 4096) + std::string(2500, 'x')));
    EXPECT_EQ(QSWebUtility::lazyHashFile(tmp / "Tool.app"), QSWebUtility::lazyHashPackage(tmp / "Tool.app"));
    EXPECT_FALSE(QSWebUtility::lazyHashFile(tmp / "Plain"));
}

TEST(QSWebUtility, FingerprintsReachFilesAndPackagesPastPathMax)
{
    TempDir tmp;
    const std::string bytes = pattern(20000, 4);
    makeDirs(tmp / "deep");
    makeDeepChain(tmp / "deep", kDeepName, kDeepDepth, {});
    const std::string bottom = chainBottomPath(tmp / "deep", kDeepName, kDeepDepth);
    ASSERT_GT(bottom.size(), size_t(PATH_MAX));
    const int fd = openChainBottom(tmp / "deep", kDeepName, kDeepDepth);
    ASSERT_GE(fd, 0);
    for (const auto& [relative, content] : std::vector<std::pair<std::string, std::string>>{
             {"file", bytes}, {"Tool.app/Contents/MacOS/tool", "binary"}, {"Tool.app/Contents/Info.plist", "plist"}}) {
        writeFileAt(fd, relative, content);
        writeFile(tmp / relative, content);
    }
    ::close(fd);
    ASSERT_TRUE(QSWebUtility::lazyMD5File(tmp / "file"));
    EXPECT_EQ(QSWebUtility::lazyMD5File(bottom + "/file"), QSWebUtility::lazyMD5File(tmp / "file"));
    EXPECT_TRUE(QSWebUtility::directoryValidApp(bottom + "/Tool.app"));
    EXPECT_EQ(QSWebUtility::lazyHashPackage(bottom + "/Tool.app"), QSWebUtility::lazyHashPackage(tmp / "Tool.app"));
    EXPECT_NE(QSWebUtility::lazyHashPackage(tmp / "Tool.app"), md5Hex(""));
}
