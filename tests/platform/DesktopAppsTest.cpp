// SPDX-License-Identifier: GPL-3.0-or-later
// The applications a user can uninstall: Flatpak installations read as files, AppImages
// recognised by content and read without being run, and the dock favourites that go with
// an uninstalled application.
#include "platform/Bundle.h"
#include "platform/DesktopApps.h"
#include "platform/DesktopFavorites.h"
#include "platform/Layout.h"
#include "support/DesktopFixtures.h"
#include "support/TempDir.h"

#include <plist/plist.h>

#include <gtest/gtest.h>

#include <cstdlib>
#include <sys/wait.h>
#include <unistd.h>

using namespace corvane;
using namespace corvane::test;

namespace {

const char* const kZh = "zh_CN.UTF-8";

std::string desktopFile(const std::string& name, const std::string& extra = {})
{
    return "[Desktop Entry]\nType=Application\nName=" + name + "\nExec=app %U\n" + extra;
}

std::vector<std::string> ids(const std::vector<DesktopApp>& apps)
{
    std::vector<std::string> out;
    for (const DesktopApp& a : apps)
        out.push_back(a.identifier);
    return out;
}

// Sets variables for one test and puts the old values back.
class ScopedEnv
{
public:
    void set(const char* name, const std::string* value)
    {
        const char* old = std::getenv(name);
        m_saved.emplace_back(name, old ? std::optional<std::string>(old) : std::nullopt);
        value ? ::setenv(name, value->c_str(), 1) : ::unsetenv(name);
    }
    ~ScopedEnv()
    {
        for (auto it = m_saved.rbegin(); it != m_saved.rend(); ++it)
            it->second ? ::setenv(it->first.c_str(), it->second->c_str(), 1) : ::unsetenv(it->first.c_str());
    }

private:
    std::vector<std::pair<std::string, std::optional<std::string>>> m_saved;
};

} // namespace

// ---- Flatpak ----------------------------------------------------------------------------

TEST(DesktopAppsFlatpak, ApplicationsOnlyWithLocalizedNamesVersionAndIcon)
{
    TempDir t;
    const std::string inst = t / "flatpak";
    makeFlatpak(inst, {"org.example.Editor", "Application",
                       desktopFile("Editor", "Name[zh_CN]=编辑器\nName[zh]=编辑\nIcon=org.example.Editor\n"),
                       "<component type=\"desktop-application\"><id>org.example.Editor</id><name>Meta</name>"
                       "<releases><release version=\"3.1\" date=\"2024-01-01\"/><release version=\"3.0\"/></releases>"
                       "</component>"});
    makeFlatpak(inst, {"org.example.Platform", "Runtime", desktopFile("Platform"), ""});
    // A deployment whose active commit is gone.
    makeFlatpak(inst, {"org.example.Broken", "Application", desktopFile("Broken"), ""});
    ::unlink((inst + "/app/org.example.Broken/x86_64/stable/active").c_str());
    ASSERT_EQ(::symlink("gone", (inst + "/app/org.example.Broken/x86_64/stable/active").c_str()), 0);
    // Names flatpak itself would refuse.
    for (const char* bad : {"two.parts", "org.example.9starts", "org.exa mple.App", "org.example.last-dash"})
        makeFlatpak(inst, {bad, "Application", desktopFile("Bad"), ""});

    const auto apps = DesktopApps::flatpakApps(inst, DesktopApp::Scope::System, kZh);
    ASSERT_EQ(ids(apps), std::vector<std::string>{"org.example.Editor"});
    const DesktopApp& a = apps[0];
    EXPECT_EQ(a.kind, DesktopApp::Kind::Flatpak);
    EXPECT_EQ(a.path, inst + "/app/org.example.Editor");
    EXPECT_EQ(a.name, "编辑器");
    EXPECT_EQ(a.version, "3.1");
    EXPECT_EQ(a.icon, "org.example.Editor");
    EXPECT_EQ(a.scope, DesktopApp::Scope::System);
    EXPECT_EQ(a.desktopId(), "org.example.Editor.desktop");
    EXPECT_EQ(DesktopApps::flatpakApps(inst, DesktopApp::Scope::User, "C")[0].name, "Editor");
}

TEST(DesktopAppsFlatpak, MetainfoNameWhenNoDesktopFileTheComponentsOwnNotTheDevelopers)
{
    const std::string xml = R"(<?xml version="1.0" encoding="UTF-8"?>
<!-- a comment -->
<component type="desktop-application">
  <developer id="org.example"><name>Example Ltd</name></developer>
  <name>Viewer &amp; Co</name>
  <name xml:lang="de">Betrachter</name>
  <releases><release version="2.0.1"><description><p>x</p></description></release></releases>
</component>)";
    EXPECT_EQ(DesktopApps::parseMetaInfo(xml, "C").name, "Viewer & Co");
    EXPECT_EQ(DesktopApps::parseMetaInfo(xml, "de_DE.UTF-8").name, "Betrachter");
    EXPECT_EQ(DesktopApps::parseMetaInfo(xml, "C").version, "2.0.1");
    // Cut short: what came before the break still counts.
    EXPECT_EQ(DesktopApps::parseMetaInfo("<component><name>Half</name><releases><rel", "C").name, "Half");

    TempDir t;
    makeFlatpak(t / "i", {"org.example.Viewer", "Application", "", xml});
    const auto apps = DesktopApps::flatpakApps(t / "i", DesktopApp::Scope::User, "C");
    ASSERT_EQ(apps.size(), 1u);
    EXPECT_EQ(apps[0].name, "Viewer & Co");
    EXPECT_EQ(apps[0].version, "2.0.1");
}

TEST(DesktopAppsFlatpak, UserInstallationFirstThenSystemThenConfiguredOnesUnderTheRoot)
{
    TempDir t;
    const std::string root = t / "root";
    const std::string home = t / "home";
    ScopedEnv env;
    env.set("XDG_DATA_HOME", nullptr);
    env.set("FLATPAK_USER_DIR", nullptr);
    writeFile(root + "/etc/flatpak/installations.d/extra.conf",
              "# a comment\n[Installation \"extra\"]\nPath=/opt/extra-flatpak\nDisplayName=Extra\n"
              "[Other]\nPath=/not/this\n");
    writeFile(root + "/etc/flatpak/installations.d/ignored.txt", "[Installation \"x\"]\nPath=/opt/x\n");
    makeFlatpak(home + "/.local/share/flatpak", {"org.example.Mine", "Application", desktopFile("Mine"), ""});
    makeFlatpak(root + "/var/lib/flatpak", {"org.example.Shared", "Application", desktopFile("Shared"), ""});
    makeFlatpak(root + "/opt/extra-flatpak", {"org.example.Extra", "Application", desktopFile("Extra"), ""});

    const Layout layout(Layout::Kind::Linux, root, home, "user");
    const DesktopApps::Places places = DesktopApps::places(layout);
    EXPECT_EQ(places.flatpakUser, home + "/.local/share/flatpak");
    EXPECT_EQ(places.flatpakSystem, (std::vector<std::string>{root + "/var/lib/flatpak", root + "/opt/extra-flatpak"}));

    DesktopApp bundle;
    bundle.identifier = "com.example.bundle";
    bundle.path = home + "/Applications/B.app";
    const auto apps = DesktopApps::list(places, {bundle}, "C");
    EXPECT_EQ(ids(apps), (std::vector<std::string>{"com.example.bundle", "org.example.Mine", "org.example.Shared",
                                                   "org.example.Extra"}));
    ASSERT_EQ(apps.size(), 4u);
    EXPECT_EQ(apps[1].scope, DesktopApp::Scope::User);
    EXPECT_EQ(apps[2].scope, DesktopApp::Scope::System);
    EXPECT_EQ(apps[3].scope, DesktopApp::Scope::System);

    const std::string own = t / "own-flatpak";
    env.set("FLATPAK_USER_DIR", &own);
    EXPECT_EQ(DesktopApps::places(layout).flatpakUser, own);
    EXPECT_TRUE(DesktopApps::places(Layout::macLayout(root, "user")).flatpakSystem.empty());
}

// ---- AppImages ---------------------------------------------------------------------------

TEST(DesktopAppsAppImage, RecognisedByContentNeverByName)
{
    TempDir t;
    const std::string folder = t / "Applications";
    writeFile(folder + "/x.AppImage", "#!/bin/sh\necho not an image\n");
    // An ELF without the mark, and the mark without an ELF.
    std::string elf = readFile("/bin/true");
    writeFile(folder + "/plain.AppImage", elf);
    writeFile(folder + "/mark-only", std::string("\x7fXYZ\x02\x01\x01\0AI\x02", 11) + std::string(100, '\0'));
    ASSERT_TRUE(makeAppImage(t / "real-image", "/bin/true", "org.example.Tool.desktop", desktopFile("Tool"), "tool"));
    // A link to a real image and a FIFO carrying the name: neither is read.
    ASSERT_EQ(::symlink((t / "real-image").c_str(), (folder + "/link.AppImage").c_str()), 0);
    ASSERT_EQ(::mkfifo((folder + "/fifo.AppImage").c_str(), 0600), 0);

    EXPECT_TRUE(DesktopApps::appImages(folder, "C").empty());
    EXPECT_FALSE(DesktopApps::looksLikeAppImage(folder + "/x.AppImage"));
    EXPECT_FALSE(DesktopApps::looksLikeAppImage(folder + "/fifo.AppImage"));
    // The same image under a name without the suffix is one.
    ::rename((t / "real-image").c_str(), (folder + "/tool").c_str());
    EXPECT_EQ(ids(DesktopApps::appImages(folder, "C")), std::vector<std::string>{"org.example.Tool"});
}

TEST(DesktopAppsAppImage, NameVersionAndIconReadFromThePayload)
{
    TempDir t;
    const std::string image = t / "home/Applications/Viewer-2.4.AppImage";
    ASSERT_TRUE(makeAppImage(image, "/bin/true", "org.example.Viewer.desktop",
                             desktopFile("Viewer", "Name[zh_CN]=查看器\nIcon=viewer-icon\nX-AppImage-Version=2.4\n"),
                             "viewer-icon"));
    const auto app = DesktopApps::readAppImage(image, kZh);
    ASSERT_TRUE(app);
    EXPECT_EQ(app->kind, DesktopApp::Kind::AppImage);
    EXPECT_EQ(app->path, image);
    EXPECT_EQ(app->name, "查看器");
    EXPECT_EQ(app->identifier, "org.example.Viewer");
    EXPECT_EQ(app->version, "2.4");
    EXPECT_EQ(app->icon, "viewer-icon");
    EXPECT_EQ(app->scope, DesktopApp::Scope::User);
    EXPECT_EQ(DesktopApps::readAppImage(image, "C")->name, "Viewer");

    // A top-level desktop file that links further into the payload: the id is the link's
    // name, the content the target's.
    const std::string linked = t / "linked.AppImage";
    ASSERT_TRUE(makeAppImage(linked, "/bin/true", "org.example.Linked.desktop",
                             desktopFile("Linked", "Icon=linked\n"), "linked", true));
    const auto viaLink = DesktopApps::readAppImage(linked, "C");
    ASSERT_TRUE(viaLink);
    EXPECT_EQ(viaLink->name, "Linked");
    EXPECT_EQ(viaLink->identifier, "org.example.Linked");
    EXPECT_EQ(viaLink->icon, "linked");

    // A marked image whose payload is unreadable is still listed, by its file name.
    std::string cut = readFile(image);
    writeFile(t / "home/.local/bin/Broken.AppImage", cut.substr(0, cut.size() / 2));
    const auto broken = DesktopApps::readAppImage(t / "home/.local/bin/Broken.AppImage", "C");
    ASSERT_TRUE(broken);
    EXPECT_EQ(broken->name, "Broken");

    const Layout layout(Layout::Kind::Linux, t / "root", t / "home", "user");
    const auto all = DesktopApps::list(DesktopApps::places(layout), {}, "C");
    ASSERT_EQ(all.size(), 2u);
    EXPECT_EQ(all[0].path, image); // ~/Applications before ~/.local/bin
    EXPECT_EQ(all[1].name, "Broken");
}

TEST(DesktopAppsAppImage, ReadingAnImageNeverRunsIt)
{
    TempDir t;
    const std::string marker = t / "marker";
    ScopedEnv env;
    env.set("CORVANE_MARKER", &marker);
    // The runtime does leave its marker when something runs it (the built program itself,
    // never the image).
    const pid_t pid = ::fork();
    if (pid == 0) {
        ::execl(CORVANE_MARKER_RUNTIME, CORVANE_MARKER_RUNTIME, static_cast<char*>(nullptr));
        ::_exit(127);
    }
    int status = 0;
    ASSERT_EQ(::waitpid(pid, &status, 0), pid);
    ASSERT_TRUE(exists(marker)) << "the marker runtime does not work, so this test would prove nothing";
    ::unlink(marker.c_str());
    ::unlink((std::string(CORVANE_MARKER_RUNTIME) + ".ran").c_str());

    const std::string image = t / "home/Applications/Marker.AppImage";
    ASSERT_TRUE(makeAppImage(image, CORVANE_MARKER_RUNTIME, "org.example.Marker.desktop", desktopFile("Marker"), "m"));
    ASSERT_EQ(::chmod(image.c_str(), 0755), 0);
    const Layout layout(Layout::Kind::Linux, t / "root", t / "home", "user");
    const auto all = DesktopApps::list(DesktopApps::places(layout), {}, "C");
    ASSERT_EQ(ids(all), std::vector<std::string>{"org.example.Marker"});
    EXPECT_FALSE(exists(marker));
    EXPECT_FALSE(exists(image + ".ran"));
}

// ---- Favourites ----------------------------------------------------------------------------

namespace {

// GLib reads its variables once per process, so each GSettings case runs in a fresh copy
// of this test program with its own variables (the cases are disabled in a normal run).
int runFavoritesChild(const std::string& filter, const std::vector<std::pair<std::string, std::string>>& vars)
{
    std::fflush(nullptr);
    const pid_t pid = ::fork();
    if (pid == 0) {
        for (const auto& [name, value] : vars)
            ::setenv(name.c_str(), value.c_str(), 1);
        ::setenv("CORVANE_FAVORITES_CHILD", "1", 1);
        const std::string filterArg = "--gtest_filter=" + filter;
        ::execl("/proc/self/exe", "/proc/self/exe", filterArg.c_str(), "--gtest_also_run_disabled_tests",
                static_cast<char*>(nullptr));
        ::_exit(127);
    }
    int status = 0;
    if (pid < 0 || ::waitpid(pid, &status, 0) != pid)
        return -1;
    return WIFEXITED(status) ? WEXITSTATUS(status) : 128 + WTERMSIG(status);
}

const char* const kShellSchema = R"(<schemalist>
  <schema id="org.gnome.shell" path="/org/gnome/shell/">
    <key name="favorite-apps" type="as"><default>[]</default></key>
    <key name="single" type="s"><default>''</default></key>
  </schema>
</schemalist>
)";

bool inChild()
{
    return std::getenv("CORVANE_FAVORITES_CHILD") != nullptr;
}

std::string keyfilePath()
{
    return std::string(std::getenv("XDG_CONFIG_HOME")) + "/glib-2.0/settings/keyfile";
}

} // namespace

TEST(DesktopFavoritesChild, DISABLED_RemovesOnlyThisAppKeepingTheOrder)
{
    ASSERT_TRUE(inChild()) << "run by DesktopFavorites.ShellFavoritesThroughTheKeyfileBackend";
    writeFile(keyfilePath(), "[org/gnome/shell]\nfavorite-apps=['a.desktop', 'org.example.Gone.desktop', "
                             "'org.example.Gone.desktop.old', 'b.desktop', 'org.example.Gone.desktop', 'c.desktop']\n");
    EXPECT_EQ(DesktopFavorites::remove("org.example.Gone.desktop", Layout::linuxLayout()),
              DesktopFavorites::Result::Removed);
    const std::string after = readFile(keyfilePath());
    EXPECT_NE(after.find("favorite-apps=['a.desktop', 'org.example.Gone.desktop.old', 'b.desktop', 'c.desktop']"),
              std::string::npos)
        << after;
    EXPECT_EQ(DesktopFavorites::remove("org.example.Gone.desktop", Layout::linuxLayout()),
              DesktopFavorites::Result::NotListed);
    // A missing schema, and a key of another type, change nothing and do not abort.
    EXPECT_EQ(DesktopFavorites::removeFromGSettings("a.desktop", "org.example.NoSuchSchema", "favorite-apps"),
              DesktopFavorites::Result::Unavailable);
    EXPECT_EQ(DesktopFavorites::removeFromGSettings("a.desktop", "org.gnome.shell", "single"),
              DesktopFavorites::Result::Unavailable);
    EXPECT_EQ(DesktopFavorites::removeFromGSettings("a.desktop", "org.gnome.shell", "no-such-key"),
              DesktopFavorites::Result::Unavailable);
    EXPECT_EQ(readFile(keyfilePath()), after);
}

TEST(DesktopFavoritesChild, DISABLED_NoShellSchemaInstalledChangesNothing)
{
    ASSERT_TRUE(inChild()) << "run by DesktopFavorites.ShellFavoritesThroughTheKeyfileBackend";
    const std::string before = "[org/gnome/shell]\nfavorite-apps=['a.desktop']\n";
    writeFile(keyfilePath(), before);
    EXPECT_EQ(DesktopFavorites::remove("a.desktop", Layout::linuxLayout()), DesktopFavorites::Result::Unavailable);
    EXPECT_EQ(readFile(keyfilePath()), before);
}

TEST(DesktopFavorites, ShellFavoritesThroughTheKeyfileBackend)
{
    TempDir t;
    writeFile(t / "schemas/org.gnome.shell.gschema.xml", kShellSchema);
    ASSERT_EQ(std::system(("glib-compile-schemas '" + (t / "schemas") + "'").c_str()), 0);
    makeDirs(t / "empty-schemas");
    makeDirs(t / "data");
    const std::vector<std::pair<std::string, std::string>> common = {
        {"GSETTINGS_BACKEND", "keyfile"}, {"XDG_CONFIG_HOME", t / "config"}, {"XDG_DATA_DIRS", t / "data"}};
    auto with = [&](const std::string& schemaDir) {
        auto vars = common;
        vars.emplace_back("GSETTINGS_SCHEMA_DIR", schemaDir);
        return vars;
    };
    EXPECT_EQ(runFavoritesChild("DesktopFavoritesChild.DISABLED_RemovesOnlyThisAppKeepingTheOrder", with(t / "schemas")), 0);
    EXPECT_EQ(runFavoritesChild("DesktopFavoritesChild.DISABLED_NoShellSchemaInstalledChangesNothing", with(t / "empty-schemas")),
              0);
}

TEST(DesktopFavorites, DockLosesTheFirstMatchingTileOnly)
{
    TempDir t;
    const Layout mac = Layout::macLayout(t / "root", "user");
    const std::string dock = mac.home() + "/Library/Preferences/com.apple.dock.plist";
    auto tile = [](const std::string& label) {
        return "<dict><key>tile-data</key><dict><key>file-label</key><string>" + label +
               "</string></dict><key>tile-type</key><string>file-tile</string></dict>";
    };
    writeFile(dock, "<?xml version=\"1.0\" encoding=\"UTF-8\"?>\n<plist version=\"1.0\"><dict>"
                    "<key>persistent-apps</key><array>" +
                        tile("Mail") + tile("Editor") + tile("Notes") + tile("Editor") +
                        "</array><key>tilesize</key><integer>48</integer></dict></plist>\n");

    EXPECT_EQ(DesktopFavorites::remove("Editor", mac), DesktopFavorites::Result::Removed);
    auto labels = [&] {
        std::vector<std::string> out;
        const auto dict = Bundle::parsePropertyList(QByteArray::fromStdString(readFile(dock)));
        if (!dict)
            return out;
        for (const QVariant& v : dict->value(QStringLiteral("persistent-apps")).toList())
            out.push_back(v.toMap()
                              .value(QStringLiteral("tile-data"))
                              .toMap()
                              .value(QStringLiteral("file-label"))
                              .toString()
                              .toStdString());
        return out;
    };
    EXPECT_EQ(labels(), (std::vector<std::string>{"Mail", "Notes", "Editor"}));
    EXPECT_EQ(readFile(dock).rfind("<?xml", 0), 0u) << "an XML dock file stays XML";
    EXPECT_EQ(DesktopFavorites::remove("Absent", mac), DesktopFavorites::Result::NotListed);
    EXPECT_EQ(labels(), (std::vector<std::string>{"Mail", "Notes", "Editor"}));

    // A binary dock file is written back binary.
    plist_t root = nullptr;
    const std::string xml = readFile(dock);
    plist_from_memory(xml.data(), static_cast<uint32_t>(xml.size()), &root);
    char* bin = nullptr;
    uint32_t length = 0;
    plist_to_bin(root, &bin, &length);
    writeFile(dock, std::string(bin, length));
    plist_to_bin_free(bin);
    plist_free(root);
    EXPECT_EQ(DesktopFavorites::remove("Mail", mac), DesktopFavorites::Result::Removed);
    EXPECT_EQ(readFile(dock).rfind("bplist00", 0), 0u);
    EXPECT_EQ(labels(), (std::vector<std::string>{"Notes", "Editor"}));

    EXPECT_EQ(DesktopFavorites::remove("Notes", Layout::macLayout(t / "nowhere", "user")),
              DesktopFavorites::Result::Unavailable);
}
