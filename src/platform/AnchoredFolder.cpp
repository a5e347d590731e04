// SPDX-License-Identifier: GPL-3.0-or-later
#include "platform/AnchoredFolder.h"

#include "platform/FileChecks.h"
#include "platform/PathResolver.h"

#include <fcntl.h>
#include <sys/stat.h>

namespace corvane {

AnchoredFolder::AnchoredFolder(UniqueFd fd, std::string path, dev_t dev, ino_t ino)
    : m_fd(std::move(fd)), m_path(std::move(path)), m_dev(dev), m_ino(ino)
{
}

std::shared_ptr<const AnchoredFolder> AnchoredFolder::open(const std::string& path, const ContainerGuard& guard,
                                                           std::string* refusal, ContainerGuard::Exempt exempt)
{
    if (path.empty())
        return nullptr;
    UniqueFd fd = PathResolver::openAnyLength(path, O_RDONLY | O_DIRECTORY);
    struct stat st;
    if (!fd || ::fstat(fd.get(), &st) != 0)
        return nullptr;
    std::string why = guard.refusal(fd.get(), exempt);
    if (!why.empty()) {
        if (refusal)
            *refusal = std::move(why);
        return nullptr;
    }
    std::string shown = path;
    while (shown.size() > 1 && shown.back() == '/')
        shown.pop_back();
    return std::shared_ptr<const AnchoredFolder>(new AnchoredFolder(std::move(fd), shown, st.st_dev, st.st_ino));
}

std::shared_ptr<const AnchoredFolder> AnchoredFolder::openBeneath(const AnchoredFolder& parent,
                                                                  const std::string& relative)
{
    UniqueFd fd = PathResolver::openBeneath(parent.fd(), relative, O_RDONLY | O_DIRECTORY);
    struct stat st;
    if (!fd || ::fstat(fd.get(), &st) != 0)
        return nullptr;
    return std::shared_ptr<const AnchoredFolder>(
        new AnchoredFolder(std::move(fd), parent.pathOf(relative), st.st_dev, st.st_ino));
}

std::string AnchoredFolder::pathOf(const std::string& relative) const
{
    if (relative.empty() || relative == ".")
        return m_path;
    return joinPath(m_path, relative);
}

} // namespace corvane
