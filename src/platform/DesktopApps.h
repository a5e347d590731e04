// SPDX-License-Identifier: GPL-3.0-or-later
#pragma once

#include <optional>
#include <string>
#include <vector>

namespace corvane {

class Layout;

// One application a user can uninstall by removing what the record's path names.
struct DesktopApp
{
    enum class Kind { Bundle, Flatpak, AppImage };
    enum class Scope { User, System };

    Kind kind = Kind::Bundle;
    std::string path;
    std::string name;
    std::string identifier; // bundle identifier, Flatpak id, or the AppImage's desktop id
    std::string version;
    std::string icon;
    Scope scope = Scope::User;

    // The id a launcher or dock knows the application by ("org.example.App.desktop");
    // empty for a bundle.
    std::string desktopId() const;
    static const char* kindName(Kind kind);
    static const char* scopeName(Scope scope);
};

// The applications a user installed without a package manager. Bundles come from the
// caller (the uninstaller finds them), so this layer depends on no engine. Everything is
// read as data: a Flatpak installation's files and an AppImage's payload, never run.
class DesktopApps
{
public:
    struct Places
    {
        std::string flatpakUser;                // $FLATPAK_USER_DIR, else <data home>/flatpak
        std::vector<std::string> flatpakSystem; // /var/lib/flatpak, then installations.d's Path=
        std::vector<std::string> appImageFolders; // ~/Applications, ~/.local/bin
    };

    // Where a layout keeps them; system folders under the layout's root. The macOS-style
    // layout has neither Flatpak nor AppImages.
    static Places places(const Layout& layout);

    // Bundles as given, then the user's Flatpak applications, the system's, then AppImages.
    // `locale` is a POSIX locale name ("zh_CN.UTF-8") choosing localized names.
    static std::vector<DesktopApp> list(const Places& places, std::vector<DesktopApp> bundles,
                                        const std::string& locale);

    // The applications (not runtimes) of one Flatpak installation, sorted by id.
    static std::vector<DesktopApp> flatpakApps(const std::string& installation, DesktopApp::Scope scope,
                                               const std::string& locale);
    // The Path= of every [Installation "…"] group of the folder's *.conf files, in file
    // name order, each placed under `root`.
    static std::vector<std::string> configuredInstallations(const std::string& confFolder, const std::string& root);

    // The AppImages of a folder, sorted by file name; links and anything not a regular
    // file are passed over.
    static std::vector<DesktopApp> appImages(const std::string& folder, const std::string& locale);
    // Whether the file's first bytes are an ELF header carrying the AppImage mark ("AI"
    // and type 1 or 2 at offset 8). Opened without following a link and without
    // blocking, read only when it is a regular file.
    static bool looksLikeAppImage(const std::string& path);
    // "appimagekit_<md5 of the image's file URI>": how desktop integration names the
    // launcher, icons and MIME files it installs for that image.
    static std::string appImageIntegrationPrefix(const std::string& path);
    // The record of an AppImage from the desktop file inside its payload; nothing when the
    // payload cannot be read.
    static std::optional<DesktopApp> readAppImage(const std::string& path, const std::string& locale);

    // The application's <name> (the one for the locale when given) and first release's
    // version from AppStream metainfo text.
    struct MetaInfo
    {
        std::string name;
        std::string version;
    };
    static MetaInfo parseMetaInfo(const std::string& xml, const std::string& locale);
};

} // namespace corvane
