// SPDX-License-Identifier: GPL-3.0-or-later
#pragma once

#include <string>
#include <sys/types.h>
#include <vector>

namespace corvane {

// Reads the entries of an open folder with getdents64, a buffer at a time, without
// building a path per entry. "." and ".." are left out. Where the file system leaves the
// entry type unknown (DT_UNKNOWN: some network and older file systems), the entry is
// looked at with fstatat, links not followed, so callers always get a real type; an
// entry that vanished before that look keeps DT_UNKNOWN.
//
// The reader advances the descriptor's own offset: a folder is read once per open.
class DirectoryReader
{
public:
    struct Entry
    {
        const char* name = nullptr; // valid until the next call of next()
        unsigned char type = 0;     // DT_DIR, DT_REG, DT_LNK, ... or DT_UNKNOWN
    };

    explicit DirectoryReader(int folderFd) : m_fd(folderFd) {}
    DirectoryReader(const DirectoryReader&) = delete;
    DirectoryReader& operator=(const DirectoryReader&) = delete;

    bool next(Entry& entry);
    // The listing ended on an error (EACCES, EIO, ...) rather than at its end.
    bool failed() const { return m_error != 0; }
    int error() const { return m_error; }

    // Every name of the folder, in listing order; false when the listing failed part-way
    // (the names read until then are kept).
    static bool listNames(int folderFd, std::vector<std::string>& names);
    // The names of the folder at `path` in byte order, so a result never depends on the
    // file system's listing order; empty when it cannot be opened.
    static std::vector<std::string> sortedNames(const std::string& path);

private:
    int m_fd;
    long m_size = 0;
    long m_offset = 0;
    int m_error = 0;
    bool m_end = false;
    alignas(8) char m_buffer[32768];
};

} // namespace corvane
