// SPDX-License-Identifier: GPL-3.0-or-later
#pragma once

#include "support/TempDir.h"
#include "web/engine/CompanionHandOver.h"

#include <cstring>
#include <string>
#include <sys/socket.h>
#include <sys/un.h>
#include <thread>
#include <unistd.h>

namespace corvane::test {

// A companion playing its part: one connection, its request, the given reply.
class FakeCompanion
{
public:
    FakeCompanion(const std::string& runtime, std::string reply) : m_reply(std::move(reply))
    {
        makeDirs(runtime + "/com.corvane.XPC");
        const std::string path = CompanionHandOver::socketPath(runtime);
        m_fd = ::socket(AF_UNIX, SOCK_STREAM | SOCK_CLOEXEC, 0);
        sockaddr_un address{};
        address.sun_family = AF_UNIX;
        std::memcpy(address.sun_path, path.data(), path.size());
        ::bind(m_fd, reinterpret_cast<sockaddr*>(&address), sizeof address);
        ::listen(m_fd, 1);
        m_thread = std::thread([this] {
            const int client = ::accept(m_fd, nullptr, nullptr);
            if (client < 0)
                return;
            char buffer[64] = {};
            const ssize_t n = ::recv(client, buffer, sizeof buffer - 1, 0);
            m_request = std::string(buffer, n > 0 ? size_t(n) : 0);
            ::send(client, m_reply.data(), m_reply.size(), MSG_NOSIGNAL);
            ::close(client);
        });
    }
    ~FakeCompanion()
    {
        ::shutdown(m_fd, SHUT_RDWR);
        m_thread.join();
        ::close(m_fd);
    }
    std::string request() const { return m_request; }

private:
    std::string m_reply;
    std::string m_request;
    int m_fd = -1;
    std::thread m_thread;
};

} // namespace corvane::test
