// SPDX-License-Identifier: GPL-3.0-or-later
#pragma once

#include "platform/AnchoredFolder.h"
#include "platform/Layout.h"
#include "support/TempDir.h"

#include <algorithm>
#include <cstdlib>
#include <stdexcept>
#include <string>
#include <sys/stat.h>
#include <unistd.h>
#include <vector>

namespace corvane::test {

// The Linux layout of a scratch home, with HOME and XDG_* pointing into it (the layout
// reads XDG_* as the program does); machine folders live under the scratch root.
struct LinuxRoot
{
    TempDir tmp;
    std::string root = tmp.path();
    std::string home = root + "/home/tester";
    std::vector<std::pair<std::string, std::string>> saved;
    Layout layout{Layout::Kind::Linux, root, home, "tester"};

    LinuxRoot()
    {
        makeDirs(home);
        set("HOME", home);
        set("XDG_CACHE_HOME", home + "/.cache");
        set("XDG_CONFIG_HOME", home + "/.config");
        set("XDG_DATA_HOME", home + "/.local/share");
        set("XDG_STATE_HOME", home + "/.local/state");
        reload();
    }
    // A fresh layout, which reads user-dirs.dirs again (each layout reads it once).
    void reload() { layout = Layout(Layout::Kind::Linux, root, home, "tester"); }
    ~LinuxRoot()
    {
        for (auto& [k, v] : saved)
            v.empty() ? ::unsetenv(k.c_str()) : ::setenv(k.c_str(), v.c_str(), 1);
    }
    void set(const std::string& key, const std::string& value)
    {
        const char* old = std::getenv(key.c_str());
        saved.emplace_back(key, old ? old : "");
        ::setenv(key.c_str(), value.c_str(), 1);
    }
};

// A macOS-style tree under a scratch root, and its layout.
struct MacRoot
{
    TempDir tmp;
    std::string root = tmp.path();
    std::string login = "tester";
    std::string home = root + "/Users/tester";
    std::string lib = home + "/Library";
    const Layout layout = Layout::macLayout(root, login);

    MacRoot()
    {
        makeDirs(lib + "/Caches");
        makeDirs(root + "/Library/Caches");
    }
};

// The full paths of a listing, in its order.
inline std::vector<std::string> paths(const std::vector<AnchoredPath>& listing)
{
    std::vector<std::string> out;
    for (const AnchoredPath& entry : listing)
        out.push_back(entry.path);
    return out;
}

inline bool has(const std::vector<std::string>& list, const std::string& path)
{
    return std::find(list.begin(), list.end(), path) != list.end();
}

} // namespace corvane::test

#include "platform/HelperProtocol.h"

#include <atomic>
#include <chrono>
#include <mutex>
#include <sys/socket.h>
#include <sys/un.h>
#include <thread>

namespace corvane::test {

// A stand-in for the privileged helper: listens on the layout's helper socket and keeps
// every request it receives, doing nothing with it (a removal "in flight" forever).
class FakeHelper
{
public:
    explicit FakeHelper(const std::string& socketPath) : m_path(socketPath)
    {
        makeDirs(socketPath.substr(0, socketPath.rfind('/')));
        m_fd = ::socket(AF_UNIX, SOCK_STREAM | SOCK_CLOEXEC, 0);
        sockaddr_un addr{};
        addr.sun_family = AF_UNIX;
        std::snprintf(addr.sun_path, sizeof addr.sun_path, "%s", socketPath.c_str());
        ::unlink(socketPath.c_str());
        if (::bind(m_fd, reinterpret_cast<sockaddr*>(&addr), sizeof addr) != 0 || ::listen(m_fd, 16) != 0)
            throw std::runtime_error("fake helper cannot listen");
        ::chmod(socketPath.c_str(), 0777); // an unprivileged child must reach it too
        m_thread = std::thread([this] { serve(); });
    }
    ~FakeHelper()
    {
        m_quit = true;
        ::shutdown(m_fd, SHUT_RDWR);
        ::close(m_fd);
        m_thread.join();
        ::unlink(m_path.c_str());
    }

    // The requests received so far, after waiting up to `ms` for at least `count`.
    std::vector<HelperProtocol::Request> requests(size_t count = 0, int ms = 2000)
    {
        const auto until = std::chrono::steady_clock::now() + std::chrono::milliseconds(ms);
        for (;;) {
            {
                std::lock_guard lock(m_mutex);
                if (m_requests.size() >= count || std::chrono::steady_clock::now() > until)
                    return m_requests;
            }
            std::this_thread::sleep_for(std::chrono::milliseconds(10));
        }
    }
    size_t invalidFrames() const { return m_invalid.load(); }

private:
    void serve()
    {
        while (!m_quit) {
            const int c = ::accept(m_fd, nullptr, nullptr);
            if (c < 0)
                return;
            std::string bytes;
            char buf[4096];
            ssize_t n;
            while ((n = ::read(c, buf, sizeof buf)) > 0)
                bytes.append(buf, size_t(n));
            ::close(c);
            if (auto r = HelperProtocol::decode(bytes)) {
                std::lock_guard lock(m_mutex);
                m_requests.push_back(*r);
            } else {
                ++m_invalid;
            }
        }
    }

    std::string m_path;
    int m_fd = -1;
    std::atomic<bool> m_quit{false};
    std::atomic<size_t> m_invalid{0};
    std::thread m_thread;
    std::mutex m_mutex;
    std::vector<HelperProtocol::Request> m_requests;
};

inline std::string helperSocketPath(const Layout& layout)
{
    return layout.path(Layout::Role::HelperSocket).value_or("");
}

} // namespace corvane::test
