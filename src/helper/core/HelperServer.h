// SPDX-License-Identifier: GPL-3.0-or-later
#pragma once

#include "helper/core/HelperLog.h"
#include "helper/core/PeerIdentity.h"
#include "platform/HelperProtocol.h"
#include "platform/UniqueFd.h"

#include <chrono>
#include <condition_variable>
#include <cstddef>
#include <deque>
#include <functional>
#include <mutex>
#include <string>
#include <thread>

namespace corvane::helper {

// The helper's service: one thread polls the listening socket and the connections being
// read, one worker thread answers decoded requests one at a time.
//
// Reading: each connection gets a deadline for its one frame; it is read until the frame
// and the end of the stream are there, and cut as soon as the bytes cannot become one
// valid frame (bad magic, a length out of range, bytes past the frame, more than a frame
// can hold). At most `maxConnections` are read at once; a connection arriving beyond that
// pushes out the one waiting longest, so a crowd of silent connections cannot keep a
// real request out for longer than it takes to accept it. While the requests waiting for
// the worker and the connections being read fill `maxQueued`, no connection is taken:
// they wait in the socket's backlog, so a burst is served in turn, not refused.
//
// Answering: one worker, so a slow client delays nobody and an administrator is asked one
// question at a time. Before a connection is closed it is sent one line, "ok",
// "refused: <rule>" or "failed: <reason>", which a client that has gone never sees; every
// request, read or not, leaves one line in the log.
class HelperServer
{
public:
    using Clock = std::chrono::steady_clock;
    // The answer to a decoded request ("ok", "refused: ...", "failed: ..."); runs on the worker.
    using Handler = std::function<std::string(const PeerIdentity&, const HelperProtocol::Request&)>;

    struct Options
    {
        std::chrono::milliseconds frameDeadline{2000};
        std::chrono::milliseconds idleExit{0}; // zero: serve until stopped
        size_t maxConnections = 32;
        size_t maxQueued = 64; // requests waiting for the worker and connections being read
        std::string procRoot = "/proc";
    };

    // The listening socket stays the caller's; it is switched to non-blocking.
    HelperServer(int listenFd, Handler handler, HelperLog::Sink log, Options options);
    ~HelperServer();
    HelperServer(const HelperServer&) = delete;
    HelperServer& operator=(const HelperServer&) = delete;

    // Serves until stop() or, with an idle exit, until that long has passed without a
    // connection or work. Returns false when it could not start.
    bool run();
    // From any thread, and from a signal handler.
    void stop();

private:
    struct Connection
    {
        UniqueFd fd;
        PeerIdentity peer;
        std::string bytes;
        Clock::time_point deadline;
        bool done = false;
    };
    struct Job
    {
        UniqueFd fd;
        PeerIdentity peer;
        HelperProtocol::Request request;
    };

    bool readFrom(Connection& connection);
    void finish(Connection& connection, const std::string& verdict, const std::string& key = {},
                const std::string& value = {});
    void dispatch(Connection& connection, HelperProtocol::Request request);
    void acceptPending(Clock::time_point now);
    bool roomForAnother();
    void workerLoop();
    void log(const PeerIdentity* peer, const std::string& key, const std::string& value, const std::string& verdict);
    static void answer(int fd, const std::string& verdict);

    int m_listenFd;
    Handler m_handler;
    HelperLog::Sink m_log;
    Options m_options;
    UniqueFd m_wake;
    std::deque<Connection> m_connections; // oldest first
    Clock::time_point m_listenPausedUntil{};

    std::mutex m_logMutex;
    std::mutex m_mutex;
    std::condition_variable m_workAvailable;
    std::deque<Job> m_queue;
    size_t m_inFlight = 0;
    bool m_stopping = false;
    Clock::time_point m_lastWork{};
    std::thread m_worker;
};

} // namespace corvane::helper
