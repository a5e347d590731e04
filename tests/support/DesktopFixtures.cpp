// SPDX-License-Identifier: GPL-3.0-or-later
#include "support/DesktopFixtures.h"

#include "support/TempDir.h"

#include <cstdint>
#include <cstdlib>
#include <cstring>
#include <unistd.h>

namespace corvane::test {

void makeFlatpak(const std::string& installation, const FlatpakFixture& app)
{
    const std::string deploy = installation + "/app/" + app.id;
    const std::string commit = deploy + "/x86_64/stable/0123abcd";
    writeFile(commit + "/metadata", "[" + app.group + "]\nname=" + app.id + "\nruntime=org.example.Platform/x86_64/1\n");
    if (!app.desktop.empty())
        writeFile(commit + "/export/share/applications/" + app.id + ".desktop", app.desktop);
    if (!app.metainfo.empty())
        writeFile(commit + "/files/share/metainfo/" + app.id + ".metainfo.xml", app.metainfo);
    writeFile(commit + "/files/bin/app", std::string(100, 'b'));
    (void)::symlink("0123abcd", (deploy + "/x86_64/stable/active").c_str());
    (void)::symlink("x86_64/stable", (deploy + "/current").c_str());
}

bool makeAppImage(const std::string& path, const std::string& runtime, const std::string& desktopName,
                  const std::string& desktop, const std::string& iconName, bool desktopAsLink)
{
    std::string elf = readFile(runtime);
    if (elf.size() < 64 || elf.compare(0, 4, "\x7f" "ELF") != 0 || elf[4] != 2)
        return false;
    // The payload starts where the ELF ends: after its section header table.
    uint64_t shoff = 0;
    uint16_t shentsize = 0, shnum = 0;
    std::memcpy(&shoff, elf.data() + 0x28, sizeof shoff);
    std::memcpy(&shentsize, elf.data() + 0x3a, sizeof shentsize);
    std::memcpy(&shnum, elf.data() + 0x3c, sizeof shnum);
    const uint64_t end = shoff + uint64_t(shentsize) * shnum;
    if (end > elf.size())
        return false;
    elf.resize(end);
    elf.replace(8, 3, std::string("AI\x02", 3));

    const std::string tree = path + ".payload.d";
    const std::string squash = path + ".payload.sqfs";
    if (desktopAsLink) {
        writeFile(tree + "/usr/share/applications/" + desktopName, desktop);
        if (::symlink(("usr/share/applications/" + desktopName).c_str(), (tree + "/" + desktopName).c_str()) != 0)
            return false;
    } else {
        writeFile(tree + "/" + desktopName, desktop);
    }
    writeFile(tree + "/" + iconName + ".png", "\x89PNG\r\n\x1a\n");
    const std::string command = "mksquashfs '" + tree + "' '" + squash + "' -quiet -noappend -all-root >/dev/null 2>&1";
    const bool built = std::system(command.c_str()) == 0;
    const std::string payload = built ? readFile(squash) : std::string();
    std::system(("rm -rf '" + tree + "' '" + squash + "'").c_str());
    if (payload.empty())
        return false;
    writeFile(path, elf + payload);
    return true;
}

} // namespace corvane::test
