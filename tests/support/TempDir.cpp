// SPDX-License-Identifier: GPL-3.0-or-later
#include "support/TempDir.h"

#include <cerrno>
#include <cstdio>
#include <cstdlib>
#include <cstring>
#include <dirent.h>
#include <fcntl.h>
#include <fstream>
#include <grp.h>
#include <sstream>
#include <stdexcept>
#include <sys/stat.h>
#include <sys/wait.h>
#include <unistd.h>
#include <vector>

namespace corvane::test {

namespace {

void removeAll(const std::string& path)
{
    struct stat st;
    if (::lstat(path.c_str(), &st) != 0)
        return;
    if (S_ISDIR(st.st_mode)) {
        ::chmod(path.c_str(), 0700);
        if (DIR* d = ::opendir(path.c_str())) {
            std::vector<std::string> names;
            while (dirent* e = ::readdir(d))
                if (std::strcmp(e->d_name, ".") && std::strcmp(e->d_name, ".."))
                    names.emplace_back(e->d_name);
            ::closedir(d);
            for (const auto& n : names)
                removeAll(path + "/" + n);
        }
        ::rmdir(path.c_str());
    } else {
        ::unlink(path.c_str());
    }
}

} // namespace

TempDir::TempDir()
{
    const char* base = std::getenv("TMPDIR");
    std::string tmpl = std::string(base && *base ? base : "/tmp") + "/corvane-test-XXXXXX";
    std::vector<char> buf(tmpl.begin(), tmpl.end());
    buf.push_back(0);
    if (!::mkdtemp(buf.data()))
        throw std::runtime_error("mkdtemp failed");
    m_path = buf.data();
    ::chmod(m_path.c_str(), 0755);
}

TempDir::~TempDir()
{
    // Deep trees are removed by the shell tool, which copes with any depth.
    const std::string cmd = "rm -rf -- '" + m_path + "' 2>/dev/null";
    if (std::system(cmd.c_str()) != 0)
        removeAll(m_path);
}

void makeDirs(const std::string& path)
{
    std::string cur;
    std::stringstream ss(path);
    std::string part;
    if (!path.empty() && path[0] == '/')
        cur = "";
    size_t i = 0;
    while (i <= path.size()) {
        size_t j = path.find('/', i);
        if (j == std::string::npos)
            j = path.size();
        cur = path.substr(0, j);
        if (!cur.empty())
            ::mkdir(cur.c_str(), 0755);
        i = j + 1;
    }
}

void writeFile(const std::string& path, const std::string& bytes)
{
    const size_t slash = path.rfind('/');
    if (slash != std::string::npos && slash > 0)
        makeDirs(path.substr(0, slash));
    const int fd = ::open(path.c_str(), O_WRONLY | O_CREAT | O_TRUNC | O_CLOEXEC, 0644);
    if (fd < 0)
        throw std::runtime_error("cannot write " + path + ": " + std::strerror(errno));
    size_t done = 0;
    while (done < bytes.size()) {
        const ssize_t n = ::write(fd, bytes.data() + done, bytes.size() - done);
        if (n <= 0)
            break;
        done += static_cast<size_t>(n);
    }
    ::close(fd);
}

void writeSized(const std::string& path, size_t size, char fill)
{
    writeFile(path, std::string(size, fill));
}

std::string readFile(const std::string& path)
{
    std::ifstream in(path, std::ios::binary);
    std::stringstream ss;
    ss << in.rdbuf();
    return ss.str();
}

bool exists(const std::string& path)
{
    struct stat st;
    return ::lstat(path.c_str(), &st) == 0;
}

void makeDeepChain(const std::string& root, const std::string& name, int depth, const std::string& fileAtEachLevel,
                   const std::string& leaf, const std::string& leafBytes)
{
    const int base = ::open(root.c_str(), O_RDONLY | O_DIRECTORY | O_CLOEXEC);
    if (base < 0)
        throw std::runtime_error("cannot open " + root);
    int fd = base;
    for (int i = 0; i < depth; ++i) {
        if (::mkdirat(fd, name.c_str(), 0755) != 0)
            throw std::runtime_error("mkdirat failed");
        const int next = ::openat(fd, name.c_str(), O_RDONLY | O_DIRECTORY | O_CLOEXEC);
        if (!fileAtEachLevel.empty())
            ::close(::openat(next, fileAtEachLevel.c_str(), O_WRONLY | O_CREAT | O_CLOEXEC, 0644));
        if (fd != base)
            ::close(fd);
        fd = next;
    }
    if (!leaf.empty()) {
        const int f = ::openat(fd, leaf.c_str(), O_WRONLY | O_CREAT | O_CLOEXEC, 0644);
        if (f >= 0 && ::write(f, leafBytes.data(), leafBytes.size()) < 0) {
        }
        ::close(f);
    }
    if (fd != base)
        ::close(fd);
    ::close(base);
}

std::string chainBottomPath(const std::string& root, const std::string& name, int depth)
{
    std::string path = root;
    for (int i = 0; i < depth; ++i)
        path += "/" + name;
    return path;
}

int openChainBottom(const std::string& root, const std::string& name, int depth)
{
    int fd = ::open(root.c_str(), O_RDONLY | O_DIRECTORY | O_CLOEXEC);
    for (int i = 0; fd >= 0 && i < depth; ++i) {
        const int next = ::openat(fd, name.c_str(), O_RDONLY | O_DIRECTORY | O_CLOEXEC);
        ::close(fd);
        fd = next;
    }
    return fd;
}

void writeFileAt(int dirFd, const std::string& relative, const std::string& bytes)
{
    for (size_t slash = relative.find('/'); slash != std::string::npos; slash = relative.find('/', slash + 1))
        ::mkdirat(dirFd, relative.substr(0, slash).c_str(), 0755);
    const int fd = ::openat(dirFd, relative.c_str(), O_WRONLY | O_CREAT | O_TRUNC | O_CLOEXEC, 0644);
    if (fd < 0)
        throw std::runtime_error("cannot write " + relative + ": " + std::strerror(errno));
    const bool ok = ::write(fd, bytes.data(), bytes.size()) == static_cast<ssize_t>(bytes.size());
    ::close(fd);
    if (!ok)
        throw std::runtime_error("cannot write " + relative);
}

std::string patternBytes(size_t size, unsigned seed, unsigned salt)
{
    std::string s(size, '\0');
    unsigned x = seed * 2654435761u + salt;
    for (char& c : s) {
        x = x * 1103515245u + 12345u;
        c = static_cast<char>(x >> 16);
    }
    return s;
}

void pokeByte(const std::string& path, off_t offset, char value)
{
    const int fd = ::open(path.c_str(), O_WRONLY | O_CLOEXEC);
    if (fd < 0)
        throw std::runtime_error("cannot open " + path);
    const bool ok = ::pwrite(fd, &value, 1, offset) == 1;
    ::close(fd);
    if (!ok)
        throw std::runtime_error("cannot write " + path);
}

namespace {

std::string selfExecutable()
{
    char self[4096] = {};
    if (::readlink("/proc/self/exe", self, sizeof self - 1) <= 0)
        throw std::runtime_error("cannot find this test binary");
    return self;
}

} // namespace

int rerunSelfAsUnprivileged(const std::string& filter, const std::string& name, const std::string& value)
{
    const std::string self = selfExecutable();
    const std::string filterArg = "--gtest_filter=" + filter;
    return runAsUnprivileged([&] {
        ::setenv(name.c_str(), value.c_str(), 1);
        ::execl(self.c_str(), self.c_str(), filterArg.c_str(), static_cast<char*>(nullptr));
        return 127;
    });
}

int rerunSelfInMountNamespace(const std::string& filter, const std::string& name, const std::string& value)
{
    const std::string command = name + "='" + value + "' unshare --mount --propagation private '" + selfExecutable() +
                                "' --gtest_filter=" + filter + " >/dev/null 2>&1";
    const int status = std::system(command.c_str());
    return WIFEXITED(status) ? WEXITSTATUS(status) : -1;
}

uid_t unprivilegedUid()
{
    return ::geteuid() == 0 ? 65534 : ::geteuid();
}

void giveToUnprivileged(const std::string& path)
{
    if (::geteuid() != 0)
        return;
    const std::string cmd = "chown -R 65534:65534 -- '" + path + "'";
    if (std::system(cmd.c_str()) != 0)
        throw std::runtime_error("chown failed");
}

int runAsUnprivileged(const std::function<int()>& fn)
{
    std::fflush(nullptr);
    const pid_t pid = ::fork();
    if (pid < 0)
        return -1;
    if (pid == 0) {
        if (::geteuid() == 0) {
            const gid_t gid = 65534;
            if (::setgroups(1, &gid) != 0 || ::setgid(65534) != 0 || ::setuid(65534) != 0)
                ::_exit(254);
        }
        ::_exit(fn() & 0xff);
    }
    int status = 0;
    while (::waitpid(pid, &status, 0) < 0 && errno == EINTR) {
    }
    return WIFEXITED(status) ? WEXITSTATUS(status) : 255;
}

} // namespace corvane::test
