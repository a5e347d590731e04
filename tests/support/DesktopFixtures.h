// SPDX-License-Identifier: GPL-3.0-or-later
#pragma once

#include <string>

namespace corvane::test {

// A Flatpak application or runtime deployed the way flatpak lays one out:
// <installation>/app/<id>/current -> x86_64/stable, stable/active -> <commit>, and in the
// commit folder the metadata ("[Application]" or "[Runtime]" group), the exported desktop
// file and the metainfo, each left out when empty, and a 100-byte program.
struct FlatpakFixture
{
    std::string id;
    std::string group = "Application";
    std::string desktop;  // export/share/applications/<id>.desktop
    std::string metainfo; // files/share/metainfo/<id>.metainfo.xml
};
void makeFlatpak(const std::string& installation, const FlatpakFixture& app);

// A type-2 AppImage as its tools make one: a copy of the ELF program `runtime`, cut at the
// end of its section header table, "AI\x02" written at offset 8, followed by a squashfs
// payload (built with mksquashfs) holding <desktopName> with `desktop` as content and an
// icon <iconName>.png; with `desktopAsLink` the top-level desktop file is a link to
// usr/share/applications/<desktopName>, as many build tools leave it. Returns false when
// the image could not be made.
bool makeAppImage(const std::string& path, const std::string& runtime, const std::string& desktopName,
                  const std::string& desktop, const std::string& iconName, bool desktopAsLink = false);

} // namespace corvane::test
