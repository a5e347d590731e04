// SPDX-License-Identifier: GPL-3.0-or-later
#pragma once

#include <chrono>
#include <cstddef>
#include <string>

namespace corvane::bench {

// Builds a metadata-heavy tree: nested folders (some hidden), small files of varied sizes,
// a few symbolic links. Returns the number of entries made.
size_t generateTree(const std::string& root, size_t entries, unsigned seed = 42);

// A file of `size` bytes (a hole, so making a big tree costs no disk).
void touchFile(const std::string& path, size_t size);

inline double secondsSince(std::chrono::steady_clock::time_point since)
{
    return std::chrono::duration<double>(std::chrono::steady_clock::now() - since).count();
}

} // namespace corvane::bench
