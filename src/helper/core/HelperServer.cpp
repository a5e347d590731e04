// SPDX-License-Identifier: GPL-3.0-or-later
#include "helper/core/HelperServer.h"

#include "helper/core/PeerCredentials.h"

#include <algorithm>
#include <cerrno>
#include <cstring>
#include <fcntl.h>
#include <poll.h>
#include <sys/eventfd.h>
#include <sys/socket.h>
#include <unistd.h>
#include <vector>

namespace corvane::helper {

namespace {

// Connections taken from the backlog per round, so accepting never starves reading.
constexpr int kAcceptsPerRound = 64;
// How long accepting pauses when the process runs out of descriptors.
constexpr auto kDescriptorPause = std::chrono::milliseconds(100);
// How often a full queue is looked at again for room.
constexpr auto kRoomRecheck = std::chrono::milliseconds(5);

bool knownKey(const std::string& key)
{
    return key == HelperProtocol::kRemoveFile || key == HelperProtocol::kDisableService;
}

int millisecondsUntil(HelperServer::Clock::time_point when, HelperServer::Clock::time_point now)
{
    if (when <= now)
        return 0;
    const auto ms = std::chrono::ceil<std::chrono::milliseconds>(when - now).count();
    return static_cast<int>(std::min<long long>(ms, 60 * 60 * 1000));
}

} // namespace

HelperServer::HelperServer(int listenFd, Handler handler, HelperLog::Sink log, Options options)
    : m_listenFd(listenFd), m_handler(std::move(handler)), m_log(std::move(log)), m_options(std::move(options)),
      m_wake(::eventfd(0, EFD_NONBLOCK | EFD_CLOEXEC))
{}

HelperServer::~HelperServer()
{
    stop();
    if (m_worker.joinable())
        m_worker.join();
}

void HelperServer::stop()
{
    // Only a write: safe in a signal handler.
    const uint64_t one = 1;
    if (m_wake) [[maybe_unused]]
        const ssize_t n = ::write(m_wake.get(), &one, sizeof one);
}

void HelperServer::answer(int fd, const std::string& verdict)
{
    const std::string line = verdict + "\n";
    // The client may have closed already (it does not wait for an answer): no SIGPIPE, and
    // a full buffer is not waited for.
    [[maybe_unused]] const ssize_t n = ::send(fd, line.data(), line.size(), MSG_NOSIGNAL | MSG_DONTWAIT);
}

void HelperServer::log(const PeerIdentity* peer, const std::string& key, const std::string& value,
                       const std::string& verdict)
{
    if (!m_log)
        return;
    HelperLog::Entry entry;
    if (peer) {
        entry.peer = *peer;
        entry.peerKnown = true;
    }
    entry.key = key;
    entry.value = value;
    entry.verdict = verdict;
    std::lock_guard lock(m_logMutex);
    m_log(entry);
}

void HelperServer::finish(Connection& connection, const std::string& verdict, const std::string& key,
                          const std::string& value)
{
    // Logged before the caller hears the answer, so the record never lags behind it.
    log(&connection.peer, key, value, verdict);
    answer(connection.fd.get(), verdict);
    connection.fd.reset();
    connection.done = true;
}

void HelperServer::dispatch(Connection& connection, HelperProtocol::Request request)
{
    if (!knownKey(request.key)) {
        finish(connection, "refused: unknown-key", request.key, request.value);
        return;
    }
    {
        std::lock_guard lock(m_mutex);
        if (m_queue.size() < m_options.maxQueued) {
            m_queue.push_back(Job{std::move(connection.fd), connection.peer, std::move(request)});
            connection.done = true;
            m_workAvailable.notify_one();
            return;
        }
    }
    finish(connection, "refused: busy", request.key, request.value);
}

// Reads what is there; true when the connection is finished with (answered or handed on).
bool HelperServer::readFrom(Connection& connection)
{
    char buffer[16384];
    for (;;) {
        // One byte more than a frame can hold is enough to know it is too much.
        const size_t room = HelperProtocol::kMaxFrame + 1 - connection.bytes.size();
        const ssize_t n = ::recv(connection.fd.get(), buffer, std::min(sizeof buffer, room), 0);
        if (n < 0) {
            if (errno == EINTR)
                continue;
            if (errno == EAGAIN || errno == EWOULDBLOCK)
                return false;
            finish(connection, std::string("failed: ") + std::strerror(errno));
            return true;
        }
        size_t frameLength = 0;
        if (n == 0) {
            // The end of the stream: exactly one frame, or nothing is done.
            if (HelperProtocol::scan(connection.bytes, frameLength) == HelperProtocol::Scan::Complete &&
                connection.bytes.size() == frameLength) {
                if (auto request = HelperProtocol::decode(connection.bytes)) {
                    connection.bytes.clear();
                    dispatch(connection, std::move(*request));
                    return true;
                }
            }
            finish(connection, "refused: frame");
            return true;
        }
        connection.bytes.append(buffer, static_cast<size_t>(n));
        const HelperProtocol::Scan now = HelperProtocol::scan(connection.bytes, frameLength);
        if (now == HelperProtocol::Scan::Invalid || connection.bytes.size() > HelperProtocol::kMaxFrame ||
            (now == HelperProtocol::Scan::Complete && connection.bytes.size() > frameLength)) {
            finish(connection, "refused: frame");
            return true;
        }
    }
}

bool HelperServer::roomForAnother()
{
    // Each connection being read may become a request: counted with the queue, so every
    // connection taken finds a place when its frame is complete.
    std::lock_guard lock(m_mutex);
    return m_queue.size() + m_connections.size() < m_options.maxQueued;
}

void HelperServer::acceptPending(Clock::time_point now)
{
    for (int i = 0; i < kAcceptsPerRound && roomForAnother(); ++i) {
        UniqueFd fd(::accept4(m_listenFd, nullptr, nullptr, SOCK_NONBLOCK | SOCK_CLOEXEC));
        if (!fd) {
            if (errno == EINTR || errno == ECONNABORTED)
                continue;
            if (errno == EMFILE || errno == ENFILE || errno == ENOBUFS || errno == ENOMEM)
                m_listenPausedUntil = now + kDescriptorPause;
            return;
        }
        {
            std::lock_guard lock(m_mutex);
            m_lastWork = now;
        }
        auto peer = PeerCredentials::ofConnection(fd.get(), m_options.procRoot);
        if (!peer) {
            log(nullptr, {}, {}, "refused: peer-unknown");
            answer(fd.get(), "refused: peer-unknown");
            continue;
        }
        if (m_connections.size() >= m_options.maxConnections) {
            finish(m_connections.front(), "refused: busy");
            m_connections.pop_front();
        }
        m_connections.push_back(Connection{std::move(fd), *peer, {}, now + m_options.frameDeadline});
        // A client writes its frame and closes before we get to it, mostly: read it now.
        if (readFrom(m_connections.back()))
            m_connections.pop_back();
    }
}

void HelperServer::workerLoop()
{
    for (;;) {
        Job job;
        {
            std::unique_lock lock(m_mutex);
            m_workAvailable.wait(lock, [&] { return m_stopping || !m_queue.empty(); });
            if (m_queue.empty())
                return;
            job = std::move(m_queue.front());
            m_queue.pop_front();
            if (m_stopping) {
                lock.unlock();
                log(&job.peer, job.request.key, job.request.value, "refused: stopping");
                answer(job.fd.get(), "refused: stopping");
                continue;
            }
            ++m_inFlight;
        }
        const std::string verdict = m_handler(job.peer, job.request);
        log(&job.peer, job.request.key, job.request.value, verdict);
        answer(job.fd.get(), verdict);
        job.fd.reset();
        std::lock_guard lock(m_mutex);
        --m_inFlight;
        m_lastWork = Clock::now();
    }
}

bool HelperServer::run()
{
    if (!m_wake || m_listenFd < 0)
        return false;
    const int flags = ::fcntl(m_listenFd, F_GETFL);
    if (flags < 0 || ::fcntl(m_listenFd, F_SETFL, flags | O_NONBLOCK) != 0)
        return false;
    {
        std::lock_guard lock(m_mutex);
        m_stopping = false;
        m_lastWork = Clock::now();
    }
    m_worker = std::thread([this] { workerLoop(); });

    std::vector<pollfd> fds;
    for (;;) {
        Clock::time_point now = Clock::now();
        Clock::time_point wakeAt = now + std::chrono::hours(1);
        for (const Connection& c : m_connections)
            wakeAt = std::min(wakeAt, c.deadline);
        bool idle = false;
        Clock::time_point idleAt{};
        if (m_options.idleExit.count() > 0) {
            std::lock_guard lock(m_mutex);
            idle = m_connections.empty() && m_queue.empty() && m_inFlight == 0;
            idleAt = m_lastWork + m_options.idleExit;
        }
        if (idle && idleAt <= now)
            break;
        if (m_options.idleExit.count() > 0)
            wakeAt = std::min(wakeAt, std::max(idleAt, now + std::chrono::milliseconds(50)));
        // While the worker's queue is full, new connections wait in the socket's backlog
        // rather than being refused: a client hands over a clean's requests all at once.
        const bool room = roomForAnother();
        const bool listening = m_listenPausedUntil <= now && room;
        if (m_listenPausedUntil > now)
            wakeAt = std::min(wakeAt, m_listenPausedUntil);
        if (!room)
            wakeAt = std::min(wakeAt, now + kRoomRecheck);

        fds.clear();
        fds.push_back({m_wake.get(), POLLIN, 0});
        fds.push_back({listening ? m_listenFd : -1, POLLIN, 0});
        for (const Connection& c : m_connections)
            fds.push_back({c.fd.get(), POLLIN, 0});
        const int ready = ::poll(fds.data(), fds.size(), millisecondsUntil(wakeAt, now));
        if (ready < 0 && errno != EINTR)
            break;
        if (fds[0].revents & POLLIN)
            break;
        now = Clock::now();

        for (size_t i = 0; i < m_connections.size(); ++i) {
            Connection& c = m_connections[i];
            if (fds[i + 2].revents & (POLLIN | POLLHUP | POLLERR))
                readFrom(c);
            if (!c.done && c.deadline <= now)
                finish(c, "refused: deadline");
        }
        m_connections.erase(
            std::remove_if(m_connections.begin(), m_connections.end(), [](const Connection& c) { return c.done; }),
            m_connections.end());
        if (fds[1].revents & POLLIN)
            acceptPending(now);
    }

    for (Connection& c : m_connections)
        finish(c, "refused: stopping");
    m_connections.clear();
    {
        std::lock_guard lock(m_mutex);
        m_stopping = true;
    }
    m_workAvailable.notify_all();
    m_worker.join();
    return true;
}

} // namespace corvane::helper
