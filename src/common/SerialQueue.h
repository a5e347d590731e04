// SPDX-License-Identifier: GPL-3.0-or-later
#pragma once

#include <QObject>

#include <functional>
#include <memory>

class QThread;

namespace corvane {

// A queue that runs its blocks one after another, in order, on a thread of its own.
class SerialQueue
{
public:
    explicit SerialQueue(const char* name = "corvane.serial");
    ~SerialQueue(); // runs what is queued, then stops the thread
    SerialQueue(const SerialQueue&) = delete;
    SerialQueue& operator=(const SerialQueue&) = delete;

    void async(std::function<void()> fn);
    // Runs fn on the queue and waits for it; runs inline when called from the queue itself.
    void sync(const std::function<void()>& fn);
    // Waits until everything queued so far has run.
    void drain();
    // The object living on the queue's thread (a context for queued connections).
    QObject* context() const { return m_context; }
    bool isCurrent() const;

private:
    QThread* m_thread;
    QObject* m_context;
};

} // namespace corvane
