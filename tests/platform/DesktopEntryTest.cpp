// SPDX-License-Identifier: GPL-3.0-or-later
// The desktop-file reader: the group, escapes, lists, localized names, Exec quoting, and
// files that are not files.
#include "platform/DesktopEntry.h"

#include "support/TempDir.h"

#include <gtest/gtest.h>

#include <sys/stat.h>

using namespace corvane;

namespace {

using Args = std::optional<std::vector<std::string>>;

} // namespace

TEST(DesktopEntry, ReadsTheGroupWithItsEscapesListsAndLocalizedNames)
{
    const auto entry = DesktopEntry::parse("# a launcher\n"
                                           "[Other Group]\nName=not this\n"
                                           "[Desktop Entry]\r\n"
                                           "Type=Application\n"
                                           "Name=Notes\n"
                                           "Name[zh]=笔记\n"
                                           "Name[zh_CN]=记事本\n"
                                           "Name[de]=Notizen\n"
                                           "Name = second wins nothing\n"
                                           "Comment=two\\nlines\\swith\\ttab and \\\\\n"
                                           "OnlyShowIn=GNOME;KDE\\;Plasma;\n"
                                           "NotShowIn=XFCE;\n"
                                           "NoDisplay=true\n"
                                           "Hidden=True\n"
                                           "Icon=org.example.Notes\n"
                                           "X-Flatpak=org.example.Notes\n"
                                           "[Desktop Action new]\nName=New note\n");
    ASSERT_TRUE(entry);
    EXPECT_EQ(entry->type(), "Application");
    EXPECT_EQ(entry->name("zh_CN.UTF-8"), "记事本");
    EXPECT_EQ(entry->name("zh_TW"), "笔记");
    EXPECT_EQ(entry->name("de_AT@euro"), "Notizen");
    EXPECT_EQ(entry->name("fr_FR"), "Notes");
    EXPECT_EQ(entry->name(""), "Notes");
    EXPECT_EQ(entry->string("Comment"), "two\nlines with\ttab and \\");
    EXPECT_EQ(entry->onlyShowIn(), (std::vector<std::string>{"GNOME", "KDE;Plasma"}));
    EXPECT_TRUE(entry->shownIn({"GNOME"}));
    EXPECT_FALSE(entry->shownIn({"XFCE", "GNOME"}));
    EXPECT_FALSE(entry->shownIn({"LXQt"}));
    EXPECT_TRUE(entry->noDisplay());
    EXPECT_FALSE(entry->hidden()); // only "true" is true
    EXPECT_EQ(entry->flatpakId(), "org.example.Notes");
    EXPECT_FALSE(entry->string("Exec"));

    EXPECT_FALSE(DesktopEntry::parse("[Desktop Action new]\nName=x\n"));
    EXPECT_FALSE(DesktopEntry::parse(""));
}

TEST(DesktopEntry, ExecSplitsByItsQuotingAndDropsFieldCodes)
{
    EXPECT_EQ(DesktopEntry::splitExec("notes --new-window %U"), (Args{{"notes", "--new-window"}}));
    EXPECT_EQ(DesktopEntry::splitExec("\"/opt/My Apps/notes\" -f %f --icon=%i"),
              (Args{{"/opt/My Apps/notes", "-f", "--icon="}}));
    EXPECT_EQ(DesktopEntry::splitExec("sh -c \"echo \\\"\\$HOME\\\" 100%%\""),
              (Args{{"sh", "-c", "echo \"$HOME\" 100%"}}));
    EXPECT_EQ(DesktopEntry::splitExec("env  A=1\tapp %%u"), (Args{{"env", "A=1", "app", "%u"}}));
    // Broken quoting is not understood, so it is never run half-understood.
    EXPECT_FALSE(DesktopEntry::splitExec("app \"unterminated"));
    EXPECT_FALSE(DesktopEntry::splitExec("app it\\'s"));
    EXPECT_FALSE(DesktopEntry::splitExec("app \"\\q\""));
    EXPECT_FALSE(DesktopEntry::splitExec("%F"));
    EXPECT_FALSE(DesktopEntry::splitExec("   "));

    // The file's own escapes come first: "\\\\" in the file is one backslash for Exec.
    const auto entry = DesktopEntry::parse("[Desktop Entry]\nExec=\"C:\\\\\\\\dir\" %u\n");
    ASSERT_TRUE(entry);
    EXPECT_EQ(entry->execArguments(), (Args{{"C:\\dir"}}));
}

TEST(DesktopEntry, OnlyRegularFilesOfSaneSizeAreRead)
{
    test::TempDir t;
    test::writeFile(t / "ok.desktop", "[Desktop Entry]\nName=Ok\n");
    EXPECT_EQ(DesktopEntry::read(t / "ok.desktop")->name("en"), "Ok");
    ASSERT_EQ(::mkfifo((t / "fifo.desktop").c_str(), 0600), 0);
    EXPECT_FALSE(DesktopEntry::read(t / "fifo.desktop")); // never waits for a writer
    test::writeFile(t / "huge.desktop", "[Desktop Entry]\n" + std::string(2 * 1024 * 1024, '#'));
    EXPECT_FALSE(DesktopEntry::read(t / "huge.desktop"));
    EXPECT_FALSE(DesktopEntry::read(t / "missing.desktop"));
}
