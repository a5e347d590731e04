// SPDX-License-Identifier: GPL-3.0-or-later
#pragma once

#include "platform/ContainerGuard.h"
#include "platform/UniqueFd.h"

#include <memory>
#include <string>
#include <sys/types.h>

namespace corvane {

// A container folder opened once and held open: the folder whose entries a listing
// offers. Everything listed from it is named relative to this descriptor, and removal
// works below the same descriptor, so swapping the container's path for a link between
// the listing and the removal changes nothing about what is removed.
class AnchoredFolder
{
public:
    // Opens the folder (a link to it is followed) and checks it with the guard. Nothing
    // when it is missing or unreadable; nothing, with the reason in `refusal`, when the
    // guard refuses it.
    static std::shared_ptr<const AnchoredFolder> open(const std::string& path, const ContainerGuard& guard,
                                                      std::string* refusal = nullptr,
                                                      ContainerGuard::Exempt exempt = ContainerGuard::Exempt::None);
    // A container below another one, opened beneath it (no links, no mounts on the way).
    static std::shared_ptr<const AnchoredFolder> openBeneath(const AnchoredFolder& parent,
                                                             const std::string& relative);

    int fd() const { return m_fd.get(); }
    const std::string& path() const { return m_path; }
    dev_t dev() const { return m_dev; }
    ino_t ino() const { return m_ino; }
    // The full path of an entry given relative to this folder, for display and keys.
    std::string pathOf(const std::string& relative) const;

private:
    AnchoredFolder(UniqueFd fd, std::string path, dev_t dev, ino_t ino);
    UniqueFd m_fd;
    std::string m_path;
    dev_t m_dev;
    ino_t m_ino;
};

// One listed entry: its container, its path below that container and its full path.
// Without a container the path stands alone (a fixed path that was not listed from a
// folder) and is removed by path.
struct AnchoredPath
{
    std::shared_ptr<const AnchoredFolder> container;
    std::string relative;
    std::string path;

    static AnchoredPath at(const std::shared_ptr<const AnchoredFolder>& container, const std::string& relative)
    {
        return AnchoredPath{container, relative, container->pathOf(relative)};
    }
    static AnchoredPath plain(const std::string& path) { return AnchoredPath{nullptr, {}, path}; }
    bool operator==(const AnchoredPath& other) const { return path == other.path; }
};

} // namespace corvane
