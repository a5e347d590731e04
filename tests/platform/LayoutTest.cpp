// SPDX-License-Identifier: GPL-3.0-or-later
#include "platform/Layout.h"
#include "platform/StandardFolders.h"
#include "support/TempDir.h"

#include <gtest/gtest.h>

#include <cstdlib>
#include <unistd.h>

using namespace corvane;
using namespace corvane::test;
using R = Layout::Role;

namespace {

// Points HOME and the XDG variables into a scratch folder for one test.
class ScratchHome
{
public:
    ScratchHome()
    {
        for (const char* v : {"HOME", "XDG_CONFIG_HOME", "XDG_CACHE_HOME", "XDG_DATA_HOME", "XDG_STATE_HOME"}) {
            const char* old = std::getenv(v);
            m_saved.emplace_back(v, old ? std::optional<std::string>(old) : std::nullopt);
            ::unsetenv(v);
        }
        ::setenv("HOME", (m_dir / "home").c_str(), 1);
        makeDirs(m_dir / "home/.config");
    }
    ~ScratchHome()
    {
        for (auto& [name, value] : m_saved) {
            if (value)
                ::setenv(name.c_str(), value->c_str(), 1);
            else
                ::unsetenv(name.c_str());
        }
    }
    std::string home() const { return m_dir / "home"; }

private:
    TempDir m_dir;
    std::vector<std::pair<std::string, std::optional<std::string>>> m_saved;
};

} // namespace

TEST(Layout, MacStyleLayoutPlacesTheLiteralPathsUnderItsRoot)
{
    TempDir root;
    const Layout mac = Layout::macLayout(root.path(), "alice");
    EXPECT_EQ(*mac.path(R::Home), root / "Users/alice");
    EXPECT_EQ(*mac.path(R::HiddenLibrary), root / "Users/alice/Library");
    EXPECT_EQ(*mac.path(R::UserCaches), root / "Users/alice/Library/Caches");
    EXPECT_EQ(*mac.path(R::SystemCaches), root / "Library/Caches");
    EXPECT_EQ(*mac.path(R::PrivateLogs), root / "private/var/log");
    EXPECT_EQ(*mac.path(R::MainBundle), root / "Applications/CorvaneTidewell.app");
    EXPECT_EQ(mac.rooted("/Library/Logs"), root / "Library/Logs");

    EXPECT_EQ(StandardFolders::search(StandardFolders::Directory::Caches, StandardFolders::AllDomains, mac),
              (std::vector<std::string>{root / "Users/alice/Library/Caches", root / "Library/Caches",
                                        root / "System/Library/Caches"}))
        << "user domain first";
    EXPECT_EQ(StandardFolders::search(StandardFolders::Directory::Caches, StandardFolders::LocalDomain, mac),
              std::vector<std::string>{root / "Library/Caches"});
}

TEST(Layout, LinuxLayoutFollowsXdgAndHasNoSafariOrPrivateLogs)
{
    ScratchHome scratch;
    const Layout l = Layout::linuxLayout();
    EXPECT_EQ(*l.path(R::UserCaches), scratch.home() + "/.cache");
    EXPECT_EQ(*l.path(R::Trash), scratch.home() + "/.local/share/Trash/files");
    EXPECT_EQ(*l.path(R::TrashInfo), scratch.home() + "/.local/share/Trash/info");
    EXPECT_EQ(*l.path(R::SystemCaches), "/var/cache");
    EXPECT_FALSE(l.path(R::PrivateLogs).has_value());

    ::setenv("XDG_CACHE_HOME", "/elsewhere/cache/", 1);
    EXPECT_EQ(*l.path(R::UserCaches), "/elsewhere/cache");
    ::setenv("XDG_CACHE_HOME", "relative/cache", 1); // relative values are ignored
    EXPECT_EQ(*l.path(R::UserCaches), scratch.home() + "/.cache");
}

TEST(Layout, DownloadsComeFromUserDirsAndAHomeValueMeansNone)
{
    ScratchHome scratch;
    const std::string dirs = scratch.home() + "/.config/user-dirs.dirs";
    Layout layout = Layout::linuxLayout();
    EXPECT_FALSE(layout.path(R::Downloads).has_value()) << "no file, no Downloads";

    writeFile(dirs, "# comment\nXDG_DOWNLOAD_DIR=\"$HOME/Telechargements\"\nXDG_DOCUMENTS_DIR=\"/data/docs\"\n");
    layout = Layout::linuxLayout(); // the file is read once per layout
    EXPECT_EQ(*layout.path(R::Downloads), scratch.home() + "/Telechargements");
    EXPECT_EQ(*layout.path(R::Documents), "/data/docs");

    writeFile(dirs, "XDG_DOWNLOAD_DIR=\"$HOME/\"\n");
    layout = Layout::linuxLayout(); // the file is read once per layout
    EXPECT_FALSE(layout.path(R::Downloads).has_value()) << "the home folder itself is not Downloads";
    writeFile(dirs, "XDG_DOWNLOAD_DIR=\"$HOME\"\n");
    layout = Layout::linuxLayout(); // the file is read once per layout
    EXPECT_FALSE(layout.path(R::Downloads).has_value());

    writeFile(dirs, "XDG_DOWNLOAD_DIR=\"$HOME/.\"\n");
    layout = Layout::linuxLayout(); // the file is read once per layout
    EXPECT_FALSE(layout.path(R::Downloads).has_value()) << "$HOME/. is the home folder";
    ASSERT_EQ(::symlink(scratch.home().c_str(), (scratch.home() + "/Linked").c_str()), 0);
    writeFile(dirs, "XDG_DOWNLOAD_DIR=\"$HOME/Linked\"\n");
    layout = Layout::linuxLayout(); // the file is read once per layout
    EXPECT_FALSE(layout.path(R::Downloads).has_value()) << "a link to the home folder is the home folder";

    writeFile(dirs, "XDG_DOWNLOAD_DIR=\"$HOME/My \\\"Files\\\"\"\n");
    layout = Layout::linuxLayout(); // the file is read once per layout
    EXPECT_EQ(*layout.path(R::Downloads), scratch.home() + "/My \"Files\"");
}
