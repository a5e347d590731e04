// SPDX-License-Identifier: GPL-3.0-or-later
#include "platform/OomScoreRaise.h"

#include "platform/DebugNote.h"

#include <cerrno>
#include <cstring>
#include <fcntl.h>
#include <mutex>
#include <string>
#include <unistd.h>

namespace corvane {

namespace {

constexpr const char* kPath = "/proc/self/oom_score_adj";

std::mutex g_mutex;
int g_raised = 0;
std::string g_saved; // empty: nothing to put back

void note(const std::string& what, int error)
{
    if (DebugNote::enabled())
        DebugNote::write(std::string(kPath) + ": " + what + ": " + std::strerror(error));
}

std::string readScore()
{
    const int fd = ::open(kPath, O_RDONLY | O_CLOEXEC);
    if (fd < 0) {
        note("not read", errno);
        return {};
    }
    char buffer[16] = {};
    const ssize_t n = ::read(fd, buffer, sizeof buffer - 1);
    ::close(fd);
    std::string score(buffer, n > 0 ? size_t(n) : 0);
    while (!score.empty() && (score.back() == '\n' || score.back() == ' '))
        score.pop_back();
    return score;
}

bool writeScore(const std::string& score)
{
    const int fd = ::open(kPath, O_WRONLY | O_CLOEXEC);
    if (fd < 0) {
        note("not written", errno);
        return false;
    }
    const bool written = ::write(fd, score.data(), score.size()) == ssize_t(score.size());
    if (!written)
        note("not set to " + score, errno);
    ::close(fd);
    return written;
}

} // namespace

OomScoreRaise::OomScoreRaise()
{
    std::lock_guard lock(g_mutex);
    if (g_raised++ > 0)
        return;
    g_saved = readScore();
    if (!g_saved.empty() && !writeScore("1000"))
        g_saved.clear();
}

OomScoreRaise::~OomScoreRaise()
{
    std::lock_guard lock(g_mutex);
    if (--g_raised > 0 || g_saved.empty())
        return;
    writeScore(g_saved);
    g_saved.clear();
}

} // namespace corvane
