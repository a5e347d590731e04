// SPDX-License-Identifier: GPL-3.0-or-later
#include "PrivateBus.h"

#include <cerrno>
#include <chrono>
#include <csignal>
#include <cstring>
#include <fcntl.h>
#include <poll.h>
#include <sys/prctl.h>
#include <sys/wait.h>
#include <systemd/sd-bus.h>
#include <thread>
#include <unistd.h>

namespace corvane::test {

namespace {

constexpr const char* kDaemon = "/usr/bin/dbus-daemon";

std::string config(const std::string& socket)
{
    return R"(<!DOCTYPE busconfig PUBLIC "-//freedesktop//DTD D-Bus Bus Configuration 1.0//EN"
 "http://www.freedesktop.org/standards/dbus/1.0/busconfig.dtd">
<busconfig>
  <type>system</type>
  <listen>unix:path=)" +
           socket + R"(</listen>
  <auth>EXTERNAL</auth>
  <policy context="default">
    <allow user="*"/>
    <allow own="*"/>
    <allow send_destination="*"/>
    <allow receive_sender="*"/>
  </policy>
</busconfig>
)";
}

bool reaped(pid_t pid, int waitMs)
{
    for (int waited = 0;; waited += 10) {
        int status = 0;
        const pid_t r = ::waitpid(pid, &status, WNOHANG);
        if (r == pid || (r < 0 && errno == ECHILD))
            return true;
        if (waited >= waitMs)
            return false;
        std::this_thread::sleep_for(std::chrono::milliseconds(10));
    }
}

} // namespace

void endProcess(pid_t pid)
{
    if (pid <= 0)
        return;
    ::kill(pid, SIGTERM);
    if (!reaped(pid, 5000)) {
        ::kill(pid, SIGKILL);
        reaped(pid, 5000);
    }
}

const char* installedPolkitd()
{
    for (const char* p : {"/usr/lib/polkit-1/polkitd", "/usr/libexec/polkitd", "/usr/libexec/polkit-1/polkitd"})
        if (::access(p, X_OK) == 0)
            return p;
    return nullptr;
}

PrivateBus::PrivateBus()
{
    writeFile(m_dir / "bus.conf", config(m_dir / "bus"));
    start();
}

PrivateBus::~PrivateBus()
{
    stop();
}

void PrivateBus::stop()
{
    endProcess(m_pid);
    m_pid = -1;
}

bool PrivateBus::restart()
{
    stop();
    return start();
}

bool PrivateBus::start()
{
    if (::access(kDaemon, X_OK) != 0) {
        m_failure = std::string(kDaemon) + " is not installed";
        return false;
    }
    int fds[2];
    if (::pipe2(fds, O_CLOEXEC) != 0) {
        m_failure = "pipe failed";
        return false;
    }
    const std::string configArg = "--config-file=" + m_dir / "bus.conf";
    const std::string log = m_dir / "daemon.log";
    const pid_t pid = ::fork();
    if (pid == 0) {
        // Only async-signal-safe calls between fork and exec: the test may have threads.
        // A test killed on a timeout takes its bus with it (and polkitd leaves with the bus).
        ::prctl(PR_SET_PDEATHSIG, SIGKILL);
        const int logFd = ::open(log.c_str(), O_WRONLY | O_CREAT | O_APPEND, 0644);
        if (logFd >= 0)
            ::dup2(logFd, 2);
        if (fds[1] == 3)
            ::fcntl(3, F_SETFD, 0);
        else
            ::dup2(fds[1], 3);
        ::execl(kDaemon, kDaemon, configArg.c_str(), "--nofork", "--print-address=3", static_cast<char*>(nullptr));
        ::_exit(127);
    }
    ::close(fds[1]);
    if (pid < 0) {
        ::close(fds[0]);
        m_failure = "fork failed";
        return false;
    }
    // The daemon prints its address once it listens.
    std::string printed;
    char buf[256];
    pollfd pfd{fds[0], POLLIN, 0};
    while (printed.find('\n') == std::string::npos && ::poll(&pfd, 1, 10000) > 0) {
        const ssize_t n = ::read(fds[0], buf, sizeof buf);
        if (n <= 0)
            break;
        printed.append(buf, static_cast<size_t>(n));
    }
    ::close(fds[0]);
    if (printed.find('\n') == std::string::npos) {
        endProcess(pid);
        m_failure = "dbus-daemon did not start: " + readFile(log);
        return false;
    }
    m_pid = pid;
    m_failure.clear();
    return true;
}

bool waitForName(const std::string& address, const std::string& name, int timeoutMs)
{
    sd_bus* bus = nullptr;
    if (sd_bus_new(&bus) < 0)
        return false;
    bool found = false;
    if (sd_bus_set_address(bus, address.c_str()) >= 0 && sd_bus_set_bus_client(bus, 1) >= 0 && sd_bus_start(bus) >= 0) {
        for (int waited = 0; !found && waited <= timeoutMs; waited += 20) {
            sd_bus_error error = SD_BUS_ERROR_NULL;
            sd_bus_message* reply = nullptr;
            int has = 0;
            if (sd_bus_call_method(bus, "org.freedesktop.DBus", "/org/freedesktop/DBus", "org.freedesktop.DBus",
                                   "NameHasOwner", &error, &reply, "s", name.c_str()) >= 0 &&
                sd_bus_message_read(reply, "b", &has) >= 0)
                found = has != 0;
            sd_bus_message_unref(reply);
            sd_bus_error_free(&error);
            if (!found)
                std::this_thread::sleep_for(std::chrono::milliseconds(20));
        }
    }
    sd_bus_flush_close_unref(bus);
    return found;
}

} // namespace corvane::test
