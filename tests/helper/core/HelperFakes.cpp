// SPDX-License-Identifier: GPL-3.0-or-later
#include "HelperFakes.h"

#include <cstring>
#include <poll.h>
#include <stdexcept>
#include <sys/socket.h>
#include <sys/stat.h>
#include <sys/un.h>
#include <unistd.h>

namespace corvane::helper::test {

using corvane::test::readFile;
using corvane::test::unprivilegedUid;
using corvane::test::writeFile;

ScratchMachine::ScratchMachine()
{
    writeFile(myHome + "/.keep", "");
    writeFile(otherHome + "/theirs", "not yours");
    if (::chown(otherHome.c_str(), unprivilegedUid(), unprivilegedUid()) != 0)
        throw std::runtime_error("chown failed");
    writeFile(victim + "/a", "1");
    writeFile(victim + "/sub/b", "2");
    corvane::test::makeDirs(caches);
    corvane::test::makeDirs(units);
}

HelperRoots ScratchMachine::roots() const
{
    const uid_t mine = ::geteuid();
    const std::string me = myHome;
    const std::string other = otherHome;
    return HelperRoots{[=](uid_t uid) -> std::optional<std::string> {
                           if (uid == mine)
                               return me;
                           if (uid == unprivilegedUid())
                               return other;
                           return std::nullopt;
                       },
                       caches, units};
}

bool ScratchMachine::victimIntact() const
{
    return corvane::test::exists(victim + "/a") && readFile(victim + "/a") == "1" &&
           corvane::test::exists(victim + "/sub/b") && readFile(victim + "/sub/b") == "2";
}

int connectTo(const std::string& path)
{
    const int fd = ::socket(AF_UNIX, SOCK_STREAM | SOCK_CLOEXEC, 0);
    sockaddr_un address{};
    address.sun_family = AF_UNIX;
    std::snprintf(address.sun_path, sizeof address.sun_path, "%s", path.c_str());
    if (::connect(fd, reinterpret_cast<sockaddr*>(&address), sizeof address) != 0) {
        ::close(fd);
        return -1;
    }
    return fd;
}

std::string readToEnd(int fd, int timeoutMs)
{
    std::string out;
    char buffer[4096];
    for (;;) {
        pollfd p{fd, POLLIN, 0};
        if (::poll(&p, 1, timeoutMs) <= 0)
            return out + "<timeout>";
        const ssize_t n = ::read(fd, buffer, sizeof buffer);
        if (n <= 0)
            return out;
        out.append(buffer, static_cast<size_t>(n));
    }
}

ServedHelper::ServedHelper(HelperRoots roots, HelperServer::Options options)
    : m_socketPath(m_dir / "helper.socket"), m_handler(RequestRules(std::move(roots)), authoriser, units)
{
    m_listen = UniqueFd(::socket(AF_UNIX, SOCK_STREAM | SOCK_CLOEXEC, 0));
    sockaddr_un address{};
    address.sun_family = AF_UNIX;
    std::snprintf(address.sun_path, sizeof address.sun_path, "%s", m_socketPath.c_str());
    if (::bind(m_listen.get(), reinterpret_cast<sockaddr*>(&address), sizeof address) != 0 ||
        ::listen(m_listen.get(), 256) != 0)
        throw std::runtime_error("cannot listen on " + m_socketPath);
    // Unprivileged callers of the tests connect too.
    ::chmod(m_dir.path().c_str(), 0755);
    ::chmod(m_socketPath.c_str(), 0666);
    m_server = std::make_unique<HelperServer>(
        m_listen.get(),
        [this](const PeerIdentity& peer, const HelperProtocol::Request& request) {
            return m_handler.handle(peer, request);
        },
        [this](const HelperLog::Entry& entry) {
            std::lock_guard lock(m_logMutex);
            m_log.push_back(entry);
        },
        options);
    m_thread = std::thread([this] { m_server->run(); });
}

ServedHelper::~ServedHelper()
{
    m_server->stop();
    m_thread.join();
}

std::string ServedHelper::sendBytes(const std::string& bytes) const
{
    UniqueFd fd(connectTo(m_socketPath));
    if (!fd)
        return "<no connection>";
    size_t sent = 0;
    while (sent < bytes.size()) {
        const ssize_t n = ::send(fd.get(), bytes.data() + sent, bytes.size() - sent, MSG_NOSIGNAL);
        if (n <= 0)
            break; // cut off by the helper: its answer is still there to read
        sent += static_cast<size_t>(n);
    }
    ::shutdown(fd.get(), SHUT_WR);
    return readToEnd(fd.get());
}

UniqueFd ServedHelper::connectSilently() const
{
    return UniqueFd(connectTo(m_socketPath));
}

std::vector<HelperLog::Entry> ServedHelper::logEntries()
{
    std::lock_guard lock(m_logMutex);
    return m_log;
}

} // namespace corvane::helper::test
