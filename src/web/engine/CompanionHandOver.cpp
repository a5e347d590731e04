// SPDX-License-Identifier: GPL-3.0-or-later
#include "web/engine/CompanionHandOver.h"

#include "platform/FileChecks.h"
#include "platform/UniqueFd.h"

#include <cerrno>
#include <cstring>
#include <poll.h>
#include <sys/socket.h>
#include <sys/un.h>
#include <thread>
#include <unistd.h>

namespace corvane {

std::string CompanionHandOver::socketPath(const std::string& runtimeFolder)
{
    return joinPath(runtimeFolder, "com.corvane.XPC/connectionName");
}

CompanionHandOver::Answer CompanionHandOver::sendTest(const std::string& runtimeFolder, std::chrono::milliseconds wait)
{
    if (runtimeFolder.empty() || runtimeFolder.front() != '/')
        return {Result::NoRuntimeFolder, {}};
    const std::string path = socketPath(runtimeFolder);
    sockaddr_un address{};
    address.sun_family = AF_UNIX;
    if (path.size() >= sizeof address.sun_path)
        return {Result::NoCompanion, {}};
    std::memcpy(address.sun_path, path.data(), path.size());
    UniqueFd fd(::socket(AF_UNIX, SOCK_STREAM | SOCK_CLOEXEC, 0));
    if (!fd || ::connect(fd.get(), reinterpret_cast<sockaddr*>(&address), sizeof address) != 0)
        return {Result::NoCompanion, {}};
    // The kernel says who listens: another user's program is never told anything.
    ucred peer{};
    socklen_t length = sizeof peer;
    if (::getsockopt(fd.get(), SOL_SOCKET, SO_PEERCRED, &peer, &length) != 0 || peer.uid != ::getuid())
        return {Result::WrongPeer, {}};
    const char request[] = "test\n";
    if (::send(fd.get(), request, sizeof request - 1, MSG_NOSIGNAL) != ssize_t(sizeof request - 1))
        return {Result::NoCompanion, {}};
    std::string reply;
    const auto deadline = std::chrono::steady_clock::now() + wait;
    while (reply.find('\n') == std::string::npos && reply.size() < 256) {
        const auto left =
            std::chrono::duration_cast<std::chrono::milliseconds>(deadline - std::chrono::steady_clock::now());
        if (left.count() <= 0)
            return {Result::NoAnswer, {}};
        pollfd p{fd.get(), POLLIN, 0};
        const int ready = ::poll(&p, 1, int(left.count()));
        if (ready < 0 && errno == EINTR)
            continue;
        if (ready <= 0)
            return {Result::NoAnswer, {}};
        char buffer[256];
        const ssize_t n = ::recv(fd.get(), buffer, sizeof buffer, 0);
        if (n <= 0)
            break;
        reply.append(buffer, size_t(n));
    }
    if (reply == "accepted\n")
        return {Result::Accepted, {}};
    if (reply.rfind("refused", 0) == 0) {
        std::string reason = reply.substr(7);
        while (!reason.empty() && (reason.back() == '\n' || reason.back() == ' '))
            reason.pop_back();
        while (!reason.empty() && reason.front() == ' ')
            reason.erase(reason.begin());
        return {Result::Refused, reason};
    }
    return {Result::NoAnswer, {}};
}

CompanionHandOver::Answer CompanionHandOver::handOver(const std::string& runtimeFolder,
                                                      const std::function<bool()>& startCompanion,
                                                      std::chrono::milliseconds patience)
{
    Answer answer = sendTest(runtimeFolder);
    if (answer.result != Result::NoCompanion)
        return answer;
    if (!startCompanion || !startCompanion())
        return answer;
    const auto deadline = std::chrono::steady_clock::now() + patience;
    while (std::chrono::steady_clock::now() < deadline) {
        std::this_thread::sleep_for(std::chrono::milliseconds(200));
        answer = sendTest(runtimeFolder);
        if (answer.result != Result::NoCompanion)
            return answer;
    }
    return answer;
}

} // namespace corvane
