// SPDX-License-Identifier: GPL-3.0-or-later
#include "common/CmdLineTool.h"
#include "platform/LogCategories.h"

#include "platform/HelperProtocol.h"
#include "platform/ByteText.h"
#include "platform/Layout.h"

#include <QStringDecoder>
#include <QtDebug>

#include <cerrno>
#include <csignal>
#include <cstring>
#include <fcntl.h>
#include <spawn.h>
#include <sys/socket.h>
#include <sys/un.h>
#include <sys/wait.h>
#include <unistd.h>

extern char** environ;

namespace corvane {

std::string CmdLineTool::runCommandBytes(const std::string& command)
{
    int fds[2];
    if (::pipe2(fds, O_CLOEXEC) != 0)
        return {};
    posix_spawn_file_actions_t actions;
    posix_spawn_file_actions_init(&actions);
    posix_spawn_file_actions_adddup2(&actions, fds[1], STDOUT_FILENO);
    const char* argv[] = {"/bin/sh", "-c", command.c_str(), nullptr};
    pid_t pid = -1;
    const int rc = ::posix_spawn(&pid, "/bin/sh", &actions, nullptr, const_cast<char* const*>(argv), environ);
    posix_spawn_file_actions_destroy(&actions);
    ::close(fds[1]);
    if (rc != 0) {
        ::close(fds[0]);
        return {};
    }
    std::string out;
    char buffer[65536];
    for (;;) {
        const ssize_t n = ::read(fds[0], buffer, sizeof buffer);
        if (n < 0 && errno == EINTR)
            continue;
        if (n <= 0)
            break;
        out.append(buffer, static_cast<size_t>(n));
    }
    ::close(fds[0]);
    int status = 0;
    while (::waitpid(pid, &status, 0) < 0 && errno == EINTR) {
    }
    return out;
}

std::optional<QString> CmdLineTool::runCommand(const std::string& command)
{
    const std::string bytes = runCommandBytes(command);
    QStringDecoder decoder(QStringDecoder::Utf8, QStringDecoder::Flag::Stateless);
    QString text = decoder.decode(QByteArrayView(bytes.data(), static_cast<qsizetype>(bytes.size())));
    if (decoder.hasError())
        return std::nullopt;
    return text;
}

std::string CmdLineTool::hiddenLibraryPath(const Layout& layout)
{
    return layout.path(Layout::Role::HiddenLibrary).value_or(std::string());
}

bool CmdLineTool::sendPrivilegedRequest(const std::string& key, const std::string& value,
                                        const Layout& layout)
{
    const std::string socketPath = layout.path(Layout::Role::HelperSocket).value_or(std::string());
    sockaddr_un addr{};
    addr.sun_family = AF_UNIX;
    if (socketPath.empty() || socketPath.size() >= sizeof addr.sun_path)
        return false;
    std::memcpy(addr.sun_path, socketPath.data(), socketPath.size());

    // Non-blocking throughout: a helper that is absent, stuck or slow never holds us up.
    const int fd = ::socket(AF_UNIX, SOCK_STREAM | SOCK_NONBLOCK | SOCK_CLOEXEC, 0);
    if (fd < 0)
        return false;
    if (::connect(fd, reinterpret_cast<sockaddr*>(&addr), sizeof addr) != 0 && errno != EINPROGRESS) {
        ::close(fd);
        return false;
    }
    // Escaped: a name with a line break or an escape sequence must not forge log lines or
    // take over the terminal.
    if (key == HelperProtocol::kRemoveFile)
        qCInfo(lcCommon).noquote() << QStringLiteral("Sending request: %1").arg(QString::fromStdString(ByteText::forLog(value)));
    const std::string frame = HelperProtocol::encode({key, value});
    size_t sent = 0;
    while (sent < frame.size()) {
        const ssize_t n = ::send(fd, frame.data() + sent, frame.size() - sent, MSG_NOSIGNAL | MSG_DONTWAIT);
        if (n < 0 && errno == EINTR)
            continue;
        if (n <= 0)
            break; // dropped, as a failed delivery is
        sent += static_cast<size_t>(n);
    }
    ::close(fd);
    return true;
}

void CmdLineTool::sudoDeleteFileAtPath(const std::string& path, const Layout& layout)
{
    if (!sendPrivilegedRequest(HelperProtocol::kRemoveFile, path, layout))
        qCInfo(lcCommon).noquote() << QStringLiteral("Failed to create XPC connection.");
}

void CmdLineTool::sudoDisableServiceAtLabel(const std::string& label, const Layout& layout)
{
    sendPrivilegedRequest(HelperProtocol::kDisableService, label, layout);
}

} // namespace corvane
