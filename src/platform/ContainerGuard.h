// SPDX-License-Identifier: GPL-3.0-or-later
#pragma once

#include <string>
#include <sys/types.h>
#include <vector>

namespace corvane {

class Layout;

// Decides whether an opened folder may serve as a container whose entries are offered
// for deletion (a cache folder, a log folder, the Trash, Downloads). The question is
// asked of what the folder *is* — its device and inode — never of how its path is spelt,
// so "~/.cache" made a link to the home folder, or XDG_CACHE_HOME=$HOME, is caught.
//
// Refused: the root folder, the home folder (as the layout, $HOME and the password entry
// give it) and every folder above it, the system's top folders, the user's standard
// folders (Documents, Pictures, ~/.config, ...), and anything inside key stores or
// system trees (~/.ssh, ~/.gnupg, /proc, /usr/lib, /var/lib, ...). A link to another
// ordinary folder is fine: people move ~/.cache to another disk on purpose.
//
// Built once per listing run from the layout; the checks then cost a few fstat calls.
class ContainerGuard
{
public:
    // Standard folders that are a legitimate container for one listing only: Downloads
    // for its own listing; the folders applications keep their settings and data in
    // (~/.config, ~/.local/share, ~/Library) for the search for one application's files.
    enum class Exempt { None, Downloads, SettingsFolders };

    explicit ContainerGuard(const Layout& layout);

    // Why the open folder may not be a container, or an empty text when it may.
    std::string refusal(int folderFd, Exempt exempt = Exempt::None) const;

private:
    struct Identity
    {
        dev_t dev;
        ino_t ino;
        std::string label;
        Exempt exemptFor;
    };
    void addExact(const std::string& path, Exempt exemptFor = Exempt::None);
    void addTree(const std::string& path);
    static bool identify(const std::string& path, dev_t& dev, ino_t& ino);

    std::vector<Identity> m_exact; // refused themselves
    std::vector<Identity> m_trees; // refused with everything inside them
    dev_t m_rootDev = 0;
    ino_t m_rootIno = 0;
};

} // namespace corvane
