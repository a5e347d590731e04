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
// Runs fn in a forked child as an unprivileged user (uid/gid 65534 when running as root,
// the current user otherwise); the child's exit status is fn's result (0..255).
int runAsUnprivileged(const std::function<int()>& fn);
uid_t unprivilegedUid();
// Hands a tree to the unprivileged user (chown -R).
void giveToUnprivileged(const std::string& path);

} // namespace corvane::test
