// SPDX-License-Identifier: GPL-3.0-or-later
#pragma once

#include "helper/bus/PrivateBus.h"
#include "support/TempDir.h"

#include <chrono>
#include <cstdint>
#include <optional>
#include <string>
#include <sys/types.h>
#include <systemd/sd-bus.h>
#include <vector>

namespace corvane::test {

// The helper served as the machine would serve it, in a room of its own: a mount namespace
// in which /var/cache, /etc/systemd/system, polkit's action and rule folders, /etc/passwd
// and /etc/group are scratch copies (the last two with a test user whose home is a scratch
// folder it owns), a private system bus with the real polkitd granting that user through a
// rule, and the real helper program on a scratch socket from systemd-socket-activate.
// Every process that has to see the scratch system runs inside the namespace; the machine's
// own folders are never written.
class HelperRoom
{
public:
    static constexpr const char* kUser = "corvanetest";
    static constexpr uid_t kNobody = 65534;

    HelperRoom();
    ~HelperRoom();
    HelperRoom(const HelperRoom&) = delete;
    HelperRoom& operator=(const HelperRoom&) = delete;

    // Starts polkitd and the helper. `skip` is set when this machine cannot hold the room
    // (no systemd-socket-activate, polkitd absent or not starting, with its log); `failure`
    // when the room's own part went wrong. Both empty: everything runs.
    void start(std::string& skip, std::string& failure);

    uid_t user() const { return m_user; }
    const std::string& home() const { return m_home; }
    // The scratch folder seen as /var/cache inside the room, as the test sees it outside.
    std::string systemCaches() const { return m_t / "var-cache"; }
    // The file seen as /etc/passwd inside the room.
    std::string passwordFile() const { return m_t / "files/passwd"; }
    const std::string& socketPath() const { return m_socket; }
    std::string busAddress() const { return m_bus.address(); }
    pid_t polkitd() const { return m_polkitd; }
    pid_t helper() const { return m_helper; }
    std::string helperLog() const;
    // Stops the helper as systemd stops a service, with SIGTERM: its exit status, or -1 when
    // it had to be killed or was not running.
    int stopHelper();
    std::string polkitdLog() const;

    // The answer line of one request sent by a process of `uid` inside the room (without
    // the line break); empty when none came.
    std::string request(uid_t uid, const std::string& key, const std::string& value) const;

    // A program run inside the room as `uid` with exactly the environment given.
    struct Run
    {
        int status = -1;
        std::string out;
        std::string err;
    };
    Run run(uid_t uid, const std::vector<std::string>& argv, const std::vector<std::string>& env) const;

    // Waits until the helper's log has a line for `value` and returns its verdict.
    std::optional<std::string> verdictLogged(const std::string& value, std::chrono::milliseconds timeout) const;

    // Joins the calling thread (in a fresh child) to the room's mount namespace.
    bool enter() const;

private:
    // Started inside the room as `uid`, its output to the two descriptors.
    pid_t spawn(uid_t uid, const std::vector<std::string>& argv, const std::vector<std::string>& env, int out,
                int err) const;
    bool makeNamespace(std::string& failure);
    bool waitForListener(std::chrono::milliseconds timeout) const;

    TempDir m_t;
    std::string m_home;
    std::string m_socket;
    uid_t m_user = 0;
    PrivateBus m_bus;
    int m_namespace = -1;
    pid_t m_polkitd = -1;
    pid_t m_helper = -1;
};

// A connection made by a process of `uid` inside the room that sends one request and then
// stays alive, as the process the helper saw at accept, until released.
class HeldRequest
{
public:
    HeldRequest(const HelperRoom& room, uid_t uid, const std::string& key, const std::string& value);
    ~HeldRequest();
    HeldRequest(const HeldRequest&) = delete;
    HeldRequest& operator=(const HeldRequest&) = delete;

    pid_t pid() const { return m_pid; }
    // The process ends and is reaped.
    void release();

private:
    pid_t m_pid = -1;
    int m_hold = -1;
};

// Copies of polkit's CheckAuthorization calls as they cross the bus: who is asked about.
class AuthorizationWatch
{
public:
    explicit AuthorizationWatch(const std::string& busAddress);
    ~AuthorizationWatch();
    AuthorizationWatch(const AuthorizationWatch&) = delete;
    AuthorizationWatch& operator=(const AuthorizationWatch&) = delete;

    bool watching() const { return m_bus != nullptr; }
    struct Subject
    {
        std::string kind;
        uint32_t pid = 0;
        uint64_t startTime = 0;
        int32_t uid = -1;
        std::string action;
    };
    // The next call seen, or nothing within the timeout.
    std::optional<Subject> next(std::chrono::milliseconds timeout);

private:
    sd_bus* m_bus = nullptr;
};

// The start time of a process, in clock ticks since boot (field 22 of /proc/PID/stat).
uint64_t startTimeOf(pid_t pid);

} // namespace corvane::test
