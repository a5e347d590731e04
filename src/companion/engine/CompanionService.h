// SPDX-License-Identifier: GPL-3.0-or-later
#pragma once

#include "platform/UniqueFd.h"

#include <QObject>

#include <chrono>
#include <functional>
#include <map>
#include <memory>
#include <string>

class QSocketNotifier;
class QTimer;

namespace corvane {

class SingleInstance;

// The companion's named service: a Unix socket "<private runtime folder>/com.corvane.XPC/
// connectionName" (folder 0700, socket 0600), served from the thread that owns this object.
// A connection may send one request, "test\n", within two seconds and 64 bytes; anything
// else, and any peer that is not this user (the kernel's SO_PEERCRED, whatever the file
// modes allow), is closed without an answer. Nothing a client sends can block the service:
// every connection is read without blocking and dropped at its deadline.
class CompanionService : public QObject
{
    Q_OBJECT
public:
    // Sends one answer line to the client that asked ("accepted\n", "refused <reason>\n")
    // and closes its connection. May be called once, later, from the owning thread; an
    // answer to a client that went away is dropped.
    using Reply = std::function<void(const std::string& line)>;
    // Called for each "test\n" request.
    using Handler = std::function<void(Reply reply)>;

    static constexpr size_t kRequestLimit = 64;
    static constexpr std::chrono::milliseconds kRequestTime{2000};
    // Connections past this many waiting for their request are closed at once, so a flood
    // cannot use up the descriptors.
    static constexpr size_t kWaitingLimit = 32;

    // `instance` is the lock that makes this companion the user's only one: a socket left
    // by a companion that died is replaced only while it is held.
    CompanionService(std::string runtimeFolder, const SingleInstance& instance, QObject* parent = nullptr);
    ~CompanionService() override;

    void setHandler(Handler handler) { m_handler = std::move(handler); }

    // Creates the folder and the socket and starts serving. False when the folder is not
    // ours, the socket cannot be made, or a live companion already answers there (it is
    // never displaced).
    bool listen();
    // Stops serving and removes the socket (only while it is still the one we made).
    void close();
    bool isListening() const { return m_listener.valid(); }

    static std::string folderPath(const std::string& runtimeFolder);
    static std::string socketPath(const std::string& runtimeFolder);

private:
    struct Connection
    {
        std::shared_ptr<UniqueFd> fd;
        QSocketNotifier* notifier = nullptr;
        QTimer* deadline = nullptr;
        std::string received;
    };

    bool bindSocket(const std::string& path);
    void acceptPending();
    void readRequest(int id);
    void drop(int id);

    std::string m_runtimeFolder;
    const SingleInstance& m_instance;
    Handler m_handler;
    UniqueFd m_listener;
    QSocketNotifier* m_listenNotifier = nullptr;
    dev_t m_socketDevice = 0;
    ino_t m_socketInode = 0;
    int m_nextId = 0;
    std::map<int, Connection> m_waiting;
};

} // namespace corvane
