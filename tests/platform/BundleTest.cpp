// SPDX-License-Identifier: GPL-3.0-or-later
#include "platform/Bundle.h"
#include "platform/FilePackage.h"
#include "support/TempDir.h"

#include <gtest/gtest.h>

#include <plist/plist.h>

#include <chrono>
#include <fcntl.h>
#include <future>
#include <sys/stat.h>
#include <unistd.h>

using namespace corvane;
using namespace corvane::test;

namespace {

const char* kInfo = R"(<?xml version="1.0" encoding="UTF-8"?>
<!DOCTYPE plist PUBLIC "-//Apple//DTD PLIST 1.0//EN" "http://www.apple.com/DTDs/PropertyList-1.0.dtd">
<plist version="1.0"><dict>
  <key>CFBundleIdentifier</key><string>com.example.Tool</string>
  <key>CFBundleName</key><string>工具</string>
  <key>CFBundleExecutable</key><string>Tool</string>
  <key>CFBundleShortVersionString</key><string>2.1</string>
  <key>CFBundleVersion</key><string>210</string>
  <key>LSUIElement</key><true/>
  <key>Nested</key><dict><key>List</key><array><integer>1</integer><string>two</string></array></dict>
</dict></plist>)";

} // namespace

TEST(Bundle, ReadsXmlAndBinaryInformationDictionaries)
{
    TempDir t;
    writeFile(t / "Tool.app/Contents/Info.plist", kInfo);
    auto info = Bundle::read(t / "Tool.app");
    ASSERT_TRUE(info);
    EXPECT_EQ(info->identifier, QStringLiteral("com.example.Tool"));
    EXPECT_EQ(info->name, QStringLiteral("工具"));
    EXPECT_EQ(info->shortVersion, QStringLiteral("2.1"));
    EXPECT_EQ(info->version, QStringLiteral("210"));
    EXPECT_EQ(Bundle::executablePath(*info), t / "Tool.app/Contents/MacOS/Tool");
    EXPECT_TRUE(info->dictionary.value(QStringLiteral("LSUIElement")).toBool());
    EXPECT_EQ(info->dictionary.value(QStringLiteral("Nested")).toMap().value(QStringLiteral("List")).toList().size(), 2);

    // The same dictionary in binary form.
    plist_t root = nullptr;
    plist_from_xml(kInfo, uint32_t(strlen(kInfo)), &root);
    ASSERT_TRUE(root);
    char* bin = nullptr;
    uint32_t len = 0;
    plist_to_bin(root, &bin, &len);
    plist_free(root);
    writeFile(t / "Bin.app/Contents/Info.plist", std::string(bin, len));
    free(bin);
    auto binInfo = Bundle::read(t / "Bin.app");
    ASSERT_TRUE(binInfo);
    EXPECT_EQ(binInfo->identifier, QStringLiteral("com.example.Tool"));
    EXPECT_EQ(binInfo->dictionary, info->dictionary);
}

TEST(Bundle, BrokenOrMissingDictionariesGiveNothing)
{
    TempDir t;
    makeDirs(t / "Empty.app/Contents");
    writeFile(t / "Garbage.app/Contents/Info.plist", "not a plist \xff\x00");
    writeFile(t / "Array.app/Contents/Info.plist", "<plist><array><string>x</string></array></plist>");
    EXPECT_FALSE(Bundle::read(t / "Empty.app"));
    EXPECT_FALSE(Bundle::read(t / "Garbage.app"));
    EXPECT_FALSE(Bundle::read(t / "Array.app"));
    EXPECT_FALSE(Bundle::read(t / "Missing.app"));
}

// The application folders are the user's: an Info.plist that is a FIFO must not hold the
// reader (the inventory's thread, the launch sequence) until some writer comes along.
TEST(Bundle, AnInformationDictionaryThatIsAFifoGivesNothingAtOnce)
{
    TempDir t;
    makeDirs(t / "Odd.app/Contents");
    const std::string fifo = t / "Odd.app/Contents/Info.plist";
    ASSERT_EQ(::mkfifo(fifo.c_str(), 0600), 0);
    auto reading = std::async(std::launch::async, [&] { return Bundle::read(t / "Odd.app"); });
    const bool finished = reading.wait_for(std::chrono::seconds(5)) == std::future_status::ready;
    if (!finished) {
        // Let the stuck reader go so the test can end: a writer that closes at once.
        const int fd = ::open(fifo.c_str(), O_WRONLY | O_NONBLOCK);
        if (fd >= 0)
            ::close(fd);
    }
    EXPECT_TRUE(finished);
    EXPECT_FALSE(reading.get().has_value());
}

TEST(FilePackage, OnlyFoldersWithAPackageExtension)
{
    TempDir t;
    makeDirs(t / "A.app");
    makeDirs(t / "B.prefPane");
    makeDirs(t / "C.APP");
    makeDirs(t / "plain");
    writeFile(t / "file.app", "x");
    EXPECT_TRUE(FilePackage::isFilePackage(t / "A.app"));
    EXPECT_TRUE(FilePackage::isFilePackage(t / "B.prefPane"));
    EXPECT_TRUE(FilePackage::isFilePackage(t / "C.APP"));
    EXPECT_FALSE(FilePackage::isFilePackage(t / "plain"));
    EXPECT_FALSE(FilePackage::isFilePackage(t / "file.app"));
    EXPECT_FALSE(FilePackage::isFilePackage(t / "missing.app"));
}
