// SPDX-License-Identifier: GPL-3.0-or-later
#include "TreeGenerator.h"

#include <cstdio>
#include <fcntl.h>
#include <random>
#include <sys/stat.h>
#include <unistd.h>
#include <vector>

namespace corvane::bench {

size_t generateTree(const std::string& root, size_t entries, unsigned seed)
{
    std::mt19937 rng(seed);
    ::mkdir(root.c_str(), 0755);
    std::vector<std::string> folders{root};
    size_t made = 0;
    std::string buffer(8192, 'z');
    while (made < entries) {
        const std::string& parent = folders[rng() % folders.size()];
        const unsigned kind = rng() % 100;
        const std::string name = (rng() % 10 == 0 ? "." : "") + std::string("e") + std::to_string(made);
        const std::string path = parent + "/" + name;
        if (kind < 8 && folders.size() < entries / 8) {
            if (::mkdir(path.c_str(), 0755) == 0) {
                folders.push_back(path);
                ++made;
            }
        } else if (kind < 9) {
            if (::symlink(parent.c_str(), path.c_str()) == 0)
                ++made;
        } else {
            const int fd = ::open(path.c_str(), O_WRONLY | O_CREAT | O_TRUNC, 0644);
            if (fd >= 0) {
                const size_t size = rng() % 3 == 0 ? 0 : rng() % buffer.size();
                if (size && ::write(fd, buffer.data(), size) < 0) {
                }
                ::close(fd);
                ++made;
            }
        }
    }
    return made;
}

void touchFile(const std::string& path, size_t size)
{
    const int fd = ::open(path.c_str(), O_WRONLY | O_CREAT | O_TRUNC | O_CLOEXEC, 0644);
    if (fd < 0)
        return;
    if (size && ::ftruncate(fd, off_t(size)) != 0)
        std::perror("ftruncate");
    ::close(fd);
}

} // namespace corvane::bench
