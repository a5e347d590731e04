// SPDX-License-Identifier: GPL-3.0-or-later
#include "companion/engine/CompanionService.h"

#include "companion/engine/SingleInstance.h"
#include "platform/FileChecks.h"
#include "platform/LogCategories.h"

#include <QSocketNotifier>
#include <QTimer>

#include <cerrno>
#include <cstring>
#include <fcntl.h>
#include <sys/socket.h>
#include <sys/stat.h>
#include <sys/un.h>
#include <unistd.h>

namespace corvane {

namespace {

bool addressFor(const std::string& path, sockaddr_un& address)
{
    address = {};
    address.sun_family = AF_UNIX;
    if (path.size() >= sizeof address.sun_path)
        return false;
    std::memcpy(address.sun_path, path.data(), path.size());
    return true;
}

// Someone accepts connections there: a companion that is alive.
bool answersThere(const sockaddr_un& address)
{
    UniqueFd probe(::socket(AF_UNIX, SOCK_STREAM | SOCK_CLOEXEC, 0));
    return probe && ::connect(probe.get(), reinterpret_cast<const sockaddr*>(&address), sizeof address) == 0;
}

// The service folder inside the private runtime folder, made when missing. Nobody else can
// have made it (the parent is ours alone), so a folder of ours with a looser mode is one
// of our own older ones and is closed; anything else is refused.
bool prepareFolder(const std::string& folder)
{
    if (::mkdir(folder.c_str(), 0700) != 0 && errno != EEXIST)
        return false;
    UniqueFd fd(::open(folder.c_str(), O_RDONLY | O_DIRECTORY | O_NOFOLLOW | O_CLOEXEC));
    struct stat st
    {
    };
    if (!fd || ::fstat(fd.get(), &st) != 0 || st.st_uid != ::getuid())
        return false;
    return (st.st_mode & 077) == 0 || ::fchmod(fd.get(), 0700) == 0;
}

} // namespace

CompanionService::CompanionService(std::string runtimeFolder, const SingleInstance& instance, QObject* parent)
    : QObject(parent), m_runtimeFolder(std::move(runtimeFolder)), m_instance(instance)
{}

CompanionService::~CompanionService()
{
    close();
}

std::string CompanionService::folderPath(const std::string& runtimeFolder)
{
    return joinPath(runtimeFolder, "com.corvane.XPC");
}

std::string CompanionService::socketPath(const std::string& runtimeFolder)
{
    return joinPath(folderPath(runtimeFolder), "connectionName");
}

bool CompanionService::listen()
{
    if (isListening())
        return true;
    if (m_runtimeFolder.empty() || m_runtimeFolder.front() != '/' || !prepareFolder(folderPath(m_runtimeFolder))) {
        qCWarning(lcCompanion) << "no private folder for the service:" << logLine(m_runtimeFolder, errno);
        return false;
    }
    const std::string path = socketPath(m_runtimeFolder);
    if (!bindSocket(path))
        return false;
    m_listenNotifier = new QSocketNotifier(m_listener.get(), QSocketNotifier::Read, this);
    connect(m_listenNotifier, &QSocketNotifier::activated, this, &CompanionService::acceptPending);
    return true;
}

bool CompanionService::bindSocket(const std::string& path)
{
    sockaddr_un address;
    if (!addressFor(path, address))
        return false;
    UniqueFd fd(::socket(AF_UNIX, SOCK_STREAM | SOCK_CLOEXEC | SOCK_NONBLOCK, 0));
    if (!fd)
        return false;
    if (::bind(fd.get(), reinterpret_cast<const sockaddr*>(&address), sizeof address) != 0) {
        if (errno != EADDRINUSE)
            return false;
        // Left by a companion that died, or held by one that lives. Only a socket nobody
        // answers on is replaced, and only by the holder of the lock: two starting
        // companions can then never remove each other's socket.
        struct stat st
        {
        };
        if (answersThere(address) || !m_instance.isHeld() || ::lstat(path.c_str(), &st) != 0 || !S_ISSOCK(st.st_mode)) {
            qCWarning(lcCompanion) << "the service's name is taken:" << logLine(path, EADDRINUSE);
            return false;
        }
        if (::unlink(path.c_str()) != 0 ||
            ::bind(fd.get(), reinterpret_cast<const sockaddr*>(&address), sizeof address) != 0)
            return false;
    }
    struct stat st
    {
    };
    if (::chmod(path.c_str(), 0600) != 0 || ::lstat(path.c_str(), &st) != 0 || ::listen(fd.get(), 16) != 0) {
        ::unlink(path.c_str());
        return false;
    }
    m_socketDevice = st.st_dev;
    m_socketInode = st.st_ino;
    m_listener = std::move(fd);
    return true;
}

void CompanionService::close()
{
    if (!isListening())
        return;
    delete m_listenNotifier;
    m_listenNotifier = nullptr;
    while (!m_waiting.empty())
        drop(m_waiting.begin()->first);
    const std::string path = socketPath(m_runtimeFolder);
    struct stat st
    {
    };
    if (::lstat(path.c_str(), &st) == 0 && st.st_dev == m_socketDevice && st.st_ino == m_socketInode)
        ::unlink(path.c_str());
    m_listener.reset();
}

void CompanionService::acceptPending()
{
    for (;;) {
        UniqueFd client(::accept4(m_listener.get(), nullptr, nullptr, SOCK_NONBLOCK | SOCK_CLOEXEC));
        if (!client) {
            if (errno == EINTR || errno == ECONNABORTED)
                continue;
            return; // EAGAIN: all taken; anything else: the next readiness tries again
        }
        ucred peer{};
        socklen_t length = sizeof peer;
        if (::getsockopt(client.get(), SOL_SOCKET, SO_PEERCRED, &peer, &length) != 0 || peer.uid != ::getuid()) {
            qCWarning(lcCompanion, "a request from user %u was refused", unsigned(peer.uid));
            continue;
        }
        if (m_waiting.size() >= kWaitingLimit)
            continue;
        const int id = m_nextId++;
        Connection& connection = m_waiting[id];
        connection.fd = std::make_shared<UniqueFd>(std::move(client));
        connection.notifier = new QSocketNotifier(connection.fd->get(), QSocketNotifier::Read, this);
        connect(connection.notifier, &QSocketNotifier::activated, this, [this, id] { readRequest(id); });
        connection.deadline = new QTimer(this);
        connection.deadline->setSingleShot(true);
        connect(connection.deadline, &QTimer::timeout, this, [this, id] { drop(id); });
        connection.deadline->start(kRequestTime);
    }
}

void CompanionService::readRequest(int id)
{
    auto it = m_waiting.find(id);
    if (it == m_waiting.end())
        return;
    Connection& connection = it->second;
    char buffer[kRequestLimit];
    const size_t room = kRequestLimit - connection.received.size();
    const ssize_t n = ::recv(connection.fd->get(), buffer, room, 0);
    if (n < 0 && (errno == EAGAIN || errno == EINTR))
        return;
    if (n <= 0) {
        drop(id);
        return;
    }
    connection.received.append(buffer, size_t(n));
    const size_t end = connection.received.find('\n');
    if (end == std::string::npos) {
        if (connection.received.size() >= kRequestLimit)
            drop(id);
        return;
    }
    const bool isTest = connection.received.compare(0, end, "test") == 0 && end == 4;
    std::shared_ptr<UniqueFd> fd = connection.fd;
    drop(id);
    if (!isTest || !m_handler)
        return;
    // The answer may come long after this (the archive is checked first); the connection
    // stays open for it, outside the deadline that only bounds the request.
    m_handler([fd](const std::string& line) {
        if (!fd->valid())
            return;
        [[maybe_unused]] ssize_t sent = ::send(fd->get(), line.data(), line.size(), MSG_NOSIGNAL);
        fd->reset();
    });
}

void CompanionService::drop(int id)
{
    auto it = m_waiting.find(id);
    if (it == m_waiting.end())
        return;
    Connection connection = std::move(it->second);
    m_waiting.erase(it);
    // Deleted later: this may run inside the notifier's or the timer's own signal.
    connection.notifier->setEnabled(false);
    connection.notifier->deleteLater();
    connection.deadline->stop();
    connection.deadline->deleteLater();
}

} // namespace corvane
