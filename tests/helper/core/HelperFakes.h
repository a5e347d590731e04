// SPDX-License-Identifier: GPL-3.0-or-later
// What the helper's tests run it with: a fake authoriser and unit switch in place of
// polkit and systemd, scratch roots, and a served helper on a scratch socket with a
// client that sends one frame and reads the answer.
#pragma once

#include "helper/core/Authoriser.h"
#include "helper/core/HelperServer.h"
#include "helper/core/RequestHandler.h"
#include "helper/core/RequestRules.h"
#include "helper/core/UnitControl.h"
#include "platform/HelperProtocol.h"
#include "platform/UniqueFd.h"
#include "support/TempDir.h"

#include <atomic>
#include <chrono>
#include <map>
#include <mutex>
#include <optional>
#include <string>
#include <thread>
#include <tuple>
#include <vector>

namespace corvane::helper::test {

// Grants or refuses as told. Like polkit's auth_admin_keep, an administrator is "asked"
// only the first time a process asks for an action; later requests of the same process
// (same pid and start time) are granted from that answer.
class FakeAuthoriser : public Authoriser
{
public:
    std::atomic<bool> grant{true};
    std::atomic<int> calls{0};
    std::atomic<int> prompts{0};
    // How long each answer takes, as a round trip to polkit does.
    std::atomic<int> delayMs{0};

    bool authorise(const PeerIdentity& peer, Action action) override
    {
        ++calls;
        if (const int ms = delayMs.load())
            std::this_thread::sleep_for(std::chrono::milliseconds(ms));
        std::lock_guard lock(m_mutex);
        m_peers.push_back(peer);
        const auto subject = std::make_tuple(peer.pid, peer.startTime, int(action));
        if (grant && m_kept.count(subject))
            return true;
        ++prompts;
        if (grant)
            m_kept[subject] = true;
        return grant;
    }
    std::vector<PeerIdentity> peers()
    {
        std::lock_guard lock(m_mutex);
        return m_peers;
    }

private:
    std::mutex m_mutex;
    std::vector<PeerIdentity> m_peers;
    std::map<std::tuple<pid_t, uint64_t, int>, bool> m_kept;
};

class FakeUnitControl : public UnitControl
{
public:
    std::optional<std::string> failWith;

    std::optional<std::string> disableAndStop(const std::string& unit) override
    {
        std::lock_guard lock(m_mutex);
        m_calls.push_back(unit);
        return failWith;
    }
    std::vector<std::string> calls()
    {
        std::lock_guard lock(m_mutex);
        return m_calls;
    }

private:
    std::mutex m_mutex;
    std::vector<std::string> m_calls;
};

// A scratch machine: two homes (the test's own uid's and the unprivileged user's, each
// owned by its user), a system cache folder, a unit folder and a victim tree outside all.
struct ScratchMachine
{
    corvane::test::TempDir dir;
    std::string myHome = dir / "home/me";
    std::string otherHome = dir / "home/other";
    std::string caches = dir / "var/cache";
    std::string units = dir / "etc/systemd/system";
    std::string victim = dir / "victim";

    ScratchMachine();
    HelperRoots roots() const;
    // True when the victim tree holds what it was made with.
    bool victimIntact() const;
};

// A helper serving on a scratch socket until the object goes.
class ServedHelper
{
public:
    explicit ServedHelper(HelperRoots roots, HelperServer::Options options = {});
    ~ServedHelper();

    FakeAuthoriser authoriser;
    FakeUnitControl units;

    const std::string& socketPath() const { return m_socketPath; }
    // One connection: the bytes written, the writing side shut, the answer read to the end.
    std::string sendBytes(const std::string& bytes) const;
    std::string request(const std::string& key, const std::string& value) const
    {
        return sendBytes(HelperProtocol::encode({key, value}));
    }
    // Connects without sending anything; the caller keeps the connection.
    UniqueFd connectSilently() const;
    std::vector<HelperLog::Entry> logEntries();

private:
    corvane::test::TempDir m_dir;
    std::string m_socketPath;
    UniqueFd m_listen;
    RequestHandler m_handler;
    std::mutex m_logMutex;
    std::vector<HelperLog::Entry> m_log;
    std::unique_ptr<HelperServer> m_server;
    std::thread m_thread;
};

// Connects to a Unix socket path; -1 on failure.
int connectTo(const std::string& path);
// Reads to the end of the stream or until `timeoutMs` has passed.
std::string readToEnd(int fd, int timeoutMs = 10000);

} // namespace corvane::helper::test
