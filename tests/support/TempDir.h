// SPDX-License-Identifier: GPL-3.0-or-later
#pragma once

#include <functional>
#include <string>
#include <sys/types.h>

namespace corvane::test {

// A scratch folder removed with everything in it when the object goes.
class TempDir
{
public:
    TempDir();
    ~TempDir();
    TempDir(const TempDir&) = delete;
    TempDir& operator=(const TempDir&) = delete;

    const std::string& path() const { return m_path; }
    std::string operator/(const std::string& relative) const { return m_path + "/" + relative; }

private:
    std::string m_path;
};

// Writes bytes to a file, creating the folders on the way.
void writeFile(const std::string& path, const std::string& bytes);
void writeSized(const std::string& path, size_t size, char fill = 'x');
void makeDirs(const std::string& path);
std::string readFile(const std::string& path);
bool exists(const std::string& path); // lstat
// Makes `depth` nested folders named `name` under `root` (deeper than PATH_MAX allows by
// path), each holding an empty file `fileAtEachLevel` when that is given, and `leaf` with
// `leafBytes` at the bottom when given. Everything is made relative to open folders.
void makeDeepChain(const std::string& root, const std::string& name, int depth, const std::string& fileAtEachLevel,
                   const std::string& leaf = {}, const std::string& leafBytes = {});
// A chain of this name and depth ends past PATH_MAX (75 levels of 61 bytes) without
// the thousands of levels one-letter names would take.
inline const std::string kDeepName(60, 'd');
inline constexpr int kDeepDepth = 75;
// The path of the bottom folder of such a chain, and that folder opened one component at
// a time (the caller closes the descriptor; -1 when it cannot be reached).
std::string chainBottomPath(const std::string& root, const std::string& name, int depth);
int openChainBottom(const std::string& root, const std::string& name, int depth);
// Writes a file relative to an open folder, making the folders on the way.
void writeFileAt(int dirFd, const std::string& relative, const std::string& bytes);
// Reproducible pseudo-random bytes: the same size, seed and salt give the same bytes.
std::string patternBytes(size_t size, unsigned seed, unsigned salt = 1);
// Overwrites one byte of an existing file in place.
void pokeByte(const std::string& path, off_t offset, char value);
// Runs this test binary again, with only the tests matching `filter` and the variable
// `name` set to `value`: as the unprivileged user (rerunSelfAsUnprivileged) or as root in
// a private mount namespace (rerunSelfInMountNamespace, for tests that bind-mount). The
// result is the child's exit status, or -1 when it could not run.
int rerunSelfAsUnprivileged(const std::string& filter, const std::string& name, const std::string& value);
int rerunSelfInMountNamespace(const std::string& filter, const std::string& name, const std::string& value);
// Runs fn in a forked child as an unprivileged user (uid/gid 65534 when running as root,
// the current user otherwise); the child's exit status is fn's result (0..255).
int runAsUnprivileged(const std::function<int()>& fn);
uid_t unprivilegedUid();
// Hands a tree to the unprivileged user (chown -R).
void giveToUnprivileged(const std::string& path);

} // namespace corvane::test
