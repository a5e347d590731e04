// SPDX-License-Identifier: GPL-3.0-or-later
#pragma once

#include "support/TempDir.h"

#include <string>
#include <sys/types.h>

namespace corvane::test {

// A bus daemon of our own, shaped like the system bus but open to everyone: any user may
// connect, own any name and call anything. It listens on a socket in a scratch folder
// and is killed when the object goes.
class PrivateBus
{
public:
    PrivateBus();
    ~PrivateBus();
    PrivateBus(const PrivateBus&) = delete;
    PrivateBus& operator=(const PrivateBus&) = delete;

    // Without the daemon's id, so a client can reach a restarted daemon at the same place.
    std::string address() const { return "unix:path=" + m_dir / "bus"; }
    bool running() const { return m_pid > 0; }
    // What went wrong when the daemon did not start.
    const std::string& failure() const { return m_failure; }

    void stop();
    // A new daemon at the same address; clients of the old one are cut off.
    bool restart();

private:
    bool start();

    TempDir m_dir;
    pid_t m_pid = -1;
    std::string m_failure;
};

// Waits until `name` has an owner on the bus at `address`, up to `timeoutMs`.
bool waitForName(const std::string& address, const std::string& name, int timeoutMs);
// Ends a process of ours: SIGTERM, then SIGKILL if it lingers; reaps it.
void endProcess(pid_t pid);
// Where this distribution keeps polkitd; nothing when it is not installed.
const char* installedPolkitd();

} // namespace corvane::test
