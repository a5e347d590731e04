// SPDX-License-Identifier: GPL-3.0-or-later
// The flatpak tool as run: a recording stand-in first on PATH shows the exact argument
// vector, and ids flatpak would not accept never reach it.
#include "platform/FlatpakTool.h"

#include "support/TempDir.h"

#include <gtest/gtest.h>

#include <cstdlib>
#include <sys/stat.h>
#include <vector>

using namespace corvane;

namespace {

// Puts a "flatpak" first on PATH that records its arguments (NUL-separated, one call per
// line) and exits with $FAKE_STATUS.
struct RecordingFlatpak
{
    test::TempDir dir;
    std::string record = dir / "calls";
    std::string oldPath = std::getenv("PATH") ? std::getenv("PATH") : "";

    RecordingFlatpak()
    {
        test::writeFile(
            dir / "bin/flatpak",
            "#!/bin/sh\nprintf '%s\\0' \"$@\" >> \"$RECORD\"\necho >> \"$RECORD\"\nexit ${FAKE_STATUS:-0}\n");
        ::chmod((dir / "bin/flatpak").c_str(), 0755);
        setenv("PATH", (dir / "bin:" + oldPath).c_str(), 1);
        setenv("RECORD", record.c_str(), 1);
    }
    ~RecordingFlatpak()
    {
        setenv("PATH", oldPath.c_str(), 1);
        unsetenv("RECORD");
        unsetenv("FAKE_STATUS");
    }
    std::string calls() const { return test::exists(record) ? test::readFile(record) : std::string(); }
};

std::string call(const std::vector<std::string>& arguments)
{
    std::string line;
    for (const std::string& a : arguments)
        line += a + std::string(1, '\0');
    return line + "\n";
}

} // namespace

TEST(FlatpakTool, RunsTheExactArgumentVectorAndAnswersWithItsStatus)
{
    RecordingFlatpak flatpak;
    EXPECT_TRUE(FlatpakTool::uninstall("org.example.Notes", FlatpakTool::Scope::User));
    EXPECT_TRUE(FlatpakTool::uninstall("org.example.Notes", FlatpakTool::Scope::System));
    EXPECT_TRUE(FlatpakTool::kill("io.github.some-one.Tool_2"));
    EXPECT_EQ(flatpak.calls(), call({"uninstall", "--user", "--noninteractive", "org.example.Notes"}) +
                                   call({"uninstall", "--system", "--noninteractive", "org.example.Notes"}) +
                                   call({"kill", "io.github.some-one.Tool_2"}));

    setenv("FAKE_STATUS", "1", 1);
    EXPECT_FALSE(FlatpakTool::uninstall("org.example.Notes", FlatpakTool::Scope::User));
}

TEST(FlatpakTool, IdsFlatpakWouldRefuseNeverReachIt)
{
    RecordingFlatpak flatpak;
    const std::vector<std::string> refused = {"",
                                              "../x",
                                              "org.example",
                                              "org.example.A b",
                                              "org.example.$(touch x)",
                                              "-rf",
                                              "org..example.A",
                                              "org.1example.A",
                                              "org.example.last-dash",
                                              ".org.example.A",
                                              "org.example.A.",
                                              std::string(256, 'a')};
    for (const std::string& id : refused) {
        EXPECT_FALSE(FlatpakTool::isValidId(id)) << id;
        EXPECT_FALSE(FlatpakTool::uninstall(id, FlatpakTool::Scope::User)) << id;
        EXPECT_FALSE(FlatpakTool::kill(id)) << id;
    }
    EXPECT_EQ(flatpak.calls(), "");
    EXPECT_TRUE(FlatpakTool::isValidId("org.gnome.Calculator"));
    EXPECT_TRUE(FlatpakTool::isValidId("com.example-corp.App_1"));
}
