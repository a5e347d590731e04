// SPDX-License-Identifier: GPL-3.0-or-later
#include "platform/ProgramRun.h"

#include "platform/UniqueFd.h"

#include <algorithm>
#include <cerrno>
#include <fcntl.h>
#include <spawn.h>
#include <sys/wait.h>
#include <unistd.h>

extern char** environ;

namespace corvane {

namespace {

// The NULL-terminated vector exec takes; it points into `arguments`, which must outlive it.
std::vector<char*> argumentVector(const std::vector<std::string>& arguments)
{
    std::vector<char*> argv;
    argv.reserve(arguments.size() + 1);
    for (const std::string& a : arguments)
        argv.push_back(const_cast<char*>(a.c_str()));
    argv.push_back(nullptr);
    return argv;
}

} // namespace

std::optional<int> ProgramRun::run(const std::vector<std::string>& arguments)
{
    if (arguments.empty() || arguments.front().empty())
        return std::nullopt;
    std::vector<char*> argv = argumentVector(arguments);

    posix_spawn_file_actions_t actions;
    ::posix_spawn_file_actions_init(&actions);
    ::posix_spawn_file_actions_addopen(&actions, STDIN_FILENO, "/dev/null", O_RDONLY, 0);
    pid_t pid = -1;
    const int rc = ::posix_spawnp(&pid, argv[0], &actions, nullptr, argv.data(), environ);
    ::posix_spawn_file_actions_destroy(&actions);
    if (rc != 0)
        return std::nullopt;
    int status = 0;
    while (::waitpid(pid, &status, 0) < 0) {
        if (errno != EINTR)
            return std::nullopt;
    }
    if (!WIFEXITED(status))
        return std::nullopt;
    return WEXITSTATUS(status);
}

std::optional<ProgramRun::Output> ProgramRun::output(const std::vector<std::string>& arguments, size_t limit)
{
    if (arguments.empty() || arguments.front().empty())
        return std::nullopt;
    std::vector<char*> argv = argumentVector(arguments);

    int pipeFds[2];
    if (::pipe2(pipeFds, O_CLOEXEC) != 0)
        return std::nullopt;
    UniqueFd readEnd(pipeFds[0]);
    UniqueFd writeEnd(pipeFds[1]);
    posix_spawn_file_actions_t actions;
    ::posix_spawn_file_actions_init(&actions);
    ::posix_spawn_file_actions_addopen(&actions, STDIN_FILENO, "/dev/null", O_RDONLY, 0);
    ::posix_spawn_file_actions_adddup2(&actions, writeEnd.get(), STDOUT_FILENO);
    ::posix_spawn_file_actions_addopen(&actions, STDERR_FILENO, "/dev/null", O_WRONLY, 0);
    pid_t pid = -1;
    const int rc = ::posix_spawnp(&pid, argv[0], &actions, nullptr, argv.data(), environ);
    ::posix_spawn_file_actions_destroy(&actions);
    writeEnd.reset();
    if (rc != 0)
        return std::nullopt;

    Output out;
    char buffer[65536];
    for (;;) {
        const ssize_t n = ::read(readEnd.get(), buffer, sizeof buffer);
        if (n < 0 && errno == EINTR)
            continue;
        if (n <= 0)
            break;
        // Reading on past the limit keeps the program from blocking on a full pipe.
        const size_t room = limit > out.bytes.size() ? limit - out.bytes.size() : 0;
        out.bytes.append(buffer, std::min(room, size_t(n)));
        out.truncated = out.truncated || size_t(n) > room;
    }
    int status = 0;
    while (::waitpid(pid, &status, 0) < 0) {
        if (errno != EINTR)
            return std::nullopt;
    }
    out.status = WIFEXITED(status) ? WEXITSTATUS(status) : -1;
    return out;
}

bool ProgramRun::startDetached(const std::vector<std::string>& arguments)
{
    if (arguments.empty() || arguments.front().empty() || arguments.front().find('/') == std::string::npos)
        return false;
    std::vector<char*> argv = argumentVector(arguments);

    // The grandchild reports a failed exec through a pipe that a successful one closes.
    int pipeFds[2];
    if (::pipe2(pipeFds, O_CLOEXEC) != 0)
        return false;
    UniqueFd readEnd(pipeFds[0]);
    UniqueFd writeEnd(pipeFds[1]);
    // Only async-signal-safe calls between fork and exec: the caller may have threads.
    const pid_t middle = ::fork();
    if (middle < 0)
        return false;
    if (middle == 0) {
        const pid_t program = ::fork();
        if (program < 0) {
            const int error = errno;
            [[maybe_unused]] ssize_t n = ::write(pipeFds[1], &error, sizeof error);
            ::_exit(1);
        }
        if (program > 0)
            ::_exit(0);
        ::setsid();
        const int null = ::open("/dev/null", O_RDWR | O_CLOEXEC);
        if (null >= 0)
            ::dup2(null, STDIN_FILENO);
        ::execve(argv[0], argv.data(), environ);
        const int error = errno;
        [[maybe_unused]] ssize_t n = ::write(pipeFds[1], &error, sizeof error);
        ::_exit(127);
    }
    writeEnd.reset();
    int status = 0;
    while (::waitpid(middle, &status, 0) < 0 && errno == EINTR) {
    }
    int error = 0;
    ssize_t n;
    while ((n = ::read(readEnd.get(), &error, sizeof error)) < 0 && errno == EINTR) {
    }
    return n == 0;
}

} // namespace corvane
