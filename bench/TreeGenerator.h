#pragma once

#include <cstddef>
#include <string>

namespace corvane::bench {

// Builds a metadata-heavy tree: nested folders (some hidden), small files of varied sizes,
// a few symbolic links. Returns the number of entries made.
size_t generateTree(const std::string& root, size_t entries, unsigned seed = 42);

} // namespace corvane::bench
