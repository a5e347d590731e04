// SPDX-License-Identifier: GPL-3.0-or-later
#include "helper/core/PeerCredentials.h"

#include "platform/BoundedFile.h"
#include "platform/UniqueFd.h"

#include <cerrno>
#include <charconv>
#include <csignal>
#include <fcntl.h>
#include <sys/socket.h>
#include <sys/syscall.h>
#include <unistd.h>

#ifndef SO_PEERPIDFD
#define SO_PEERPIDFD 77 // Linux 6.5; Debian 12's headers predate it
#endif

namespace corvane::helper {

namespace {

constexpr size_t kProcFileLimit = 16 * 1024;

template <typename Number> std::optional<Number> parseNumber(std::string_view text)
{
    Number value{};
    const auto [end, error] = std::from_chars(text.data(), text.data() + text.size(), value);
    if (error != std::errc() || end != text.data() + text.size() || text.empty())
        return std::nullopt;
    return value;
}

} // namespace

std::optional<uint64_t> PeerCredentials::startTimeFromStat(std::string_view stat)
{
    const size_t close = stat.rfind(')');
    if (close == std::string_view::npos)
        return std::nullopt;
    // After ") " come fields 3, 4, ...: field 22 is the 20th of them.
    std::string_view rest = stat.substr(close + 1);
    int field = 2;
    while (!rest.empty()) {
        const size_t start = rest.find_first_not_of(' ');
        if (start == std::string_view::npos)
            break;
        rest.remove_prefix(start);
        const size_t end = rest.find_first_of(" \n");
        const std::string_view token = rest.substr(0, end);
        if (++field == 22)
            return parseNumber<uint64_t>(token);
        if (end == std::string_view::npos)
            break;
        rest.remove_prefix(end);
    }
    return std::nullopt;
}

std::optional<uid_t> PeerCredentials::effectiveUidFromStatus(std::string_view status)
{
    size_t line = 0;
    while (line < status.size()) {
        size_t end = status.find('\n', line);
        if (end == std::string_view::npos)
            end = status.size();
        std::string_view text = status.substr(line, end - line);
        if (text.substr(0, 4) == "Uid:") {
            // "Uid:\treal\teffective\tsaved\tfs"
            text.remove_prefix(4);
            int column = 0;
            while (!text.empty()) {
                const size_t start = text.find_first_not_of(" \t");
                if (start == std::string_view::npos)
                    break;
                text.remove_prefix(start);
                const size_t stop = std::min(text.find_first_of(" \t"), text.size());
                if (++column == 2)
                    return parseNumber<uid_t>(text.substr(0, stop));
                text.remove_prefix(stop);
            }
            return std::nullopt;
        }
        line = end + 1;
    }
    return std::nullopt;
}

std::optional<PeerIdentity> PeerCredentials::ofConnection(int socketFd, const std::string& procRoot)
{
    ucred credentials{};
    socklen_t length = sizeof credentials;
    if (::getsockopt(socketFd, SOL_SOCKET, SO_PEERCRED, &credentials, &length) != 0 || length != sizeof credentials ||
        credentials.pid <= 0)
        return std::nullopt;

    // Taken before /proc is read: while this descriptor refers to a live process, its pid
    // cannot have been handed to another one.
    int pidFdNumber = -1;
    socklen_t pidFdLength = sizeof pidFdNumber;
    UniqueFd pidFd;
    if (::getsockopt(socketFd, SOL_SOCKET, SO_PEERPIDFD, &pidFdNumber, &pidFdLength) == 0 && pidFdNumber >= 0)
        pidFd.reset(pidFdNumber);

    // Both files read through one descriptor of the process's folder, so both describe the
    // same process even if the pid is reused meanwhile.
    UniqueFd folder(
        ::open((procRoot + "/" + std::to_string(credentials.pid)).c_str(), O_RDONLY | O_DIRECTORY | O_CLOEXEC));
    if (!folder)
        return std::nullopt;
    const auto stat = BoundedFile::readAt(folder.get(), "stat", kProcFileLimit, true);
    const auto status = BoundedFile::readAt(folder.get(), "status", kProcFileLimit, true);
    if (!stat || !status)
        return std::nullopt;
    const auto startTime = startTimeFromStat(*stat);
    const auto uid = effectiveUidFromStatus(*status);
    if (!startTime || !uid || *uid != credentials.uid)
        return std::nullopt;
    // Signal 0 only asks whether the process is there; EPERM (no CAP_KILL in the service's
    // bounding set) still means it is.
    if (pidFd && ::syscall(SYS_pidfd_send_signal, pidFd.get(), 0, nullptr, 0) != 0 && errno == ESRCH)
        return std::nullopt; // exited since it connected: the start time may be another's

    PeerIdentity peer;
    peer.uid = credentials.uid;
    peer.pid = credentials.pid;
    peer.startTime = *startTime;
    return peer;
}

} // namespace corvane::helper
