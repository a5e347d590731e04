// SPDX-License-Identifier: GPL-3.0-or-later
#include "companion/engine/SignalWatcher.h"

#include <QSocketNotifier>

#include <cerrno>
#include <csignal>
#include <fcntl.h>
#include <unistd.h>

namespace corvane {

namespace {

// One pipe for the process: signal dispositions are process-wide anyway.
int g_pipe[2] = {-1, -1};

void onSignal(int number)
{
    const int saved = errno;
    const unsigned char byte = static_cast<unsigned char>(number);
    [[maybe_unused]] ssize_t n = ::write(g_pipe[1], &byte, 1);
    errno = saved;
}

} // namespace

SignalWatcher::SignalWatcher(QObject* parent)
    : QObject(parent)
{
}

SignalWatcher::~SignalWatcher() = default;

bool SignalWatcher::watch(std::initializer_list<int> signalNumbers)
{
    if (g_pipe[0] < 0 && ::pipe2(g_pipe, O_CLOEXEC | O_NONBLOCK) != 0)
        return false;
    if (!m_notifier) {
        m_notifier = new QSocketNotifier(g_pipe[0], QSocketNotifier::Read, this);
        connect(m_notifier, &QSocketNotifier::activated, this, &SignalWatcher::drain);
    }
    bool ok = true;
    for (int number : signalNumbers) {
        struct sigaction action = {};
        action.sa_handler = onSignal;
        sigemptyset(&action.sa_mask);
        action.sa_flags = SA_RESTART;
        ok = ::sigaction(number, &action, nullptr) == 0 && ok;
    }
    return ok;
}

void SignalWatcher::drain()
{
    unsigned char byte;
    while (::read(g_pipe[0], &byte, 1) == 1)
        emit received(byte);
}

} // namespace corvane
