// SPDX-License-Identifier: GPL-3.0-or-later
#pragma once

#include <cstddef>
#include <optional>
#include <string>
#include <vector>

namespace corvane {

// Reads a small configuration file the user controls (user-dirs.dirs, a desktop entry,
// a property list) without trusting what it is: opened non-blocking so a FIFO planted
// there cannot freeze the reader, read only when it is a regular file, and refused when
// it holds more than `limit` bytes, so /dev/zero or a 50 MB file cannot eat memory.
class BoundedFile
{
public:
    static constexpr size_t kConfigLimit = 64 * 1024;

    // The whole content, or nothing when the file is missing, not a regular file,
    // unreadable or larger than `limit`. Links are followed unless `noFollow`.
    static std::optional<std::string> read(const std::string& path, size_t limit = kConfigLimit,
                                           bool noFollow = false);
    static std::optional<std::string> readAt(int dirFd, const char* name, size_t limit = kConfigLimit,
                                             bool noFollow = false);
    // The text's lines without their line breaks; a last line without one counts too.
    static std::vector<std::string> lines(const std::string& text);
};

} // namespace corvane
