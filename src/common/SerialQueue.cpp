// SPDX-License-Identifier: GPL-3.0-or-later
#include "common/SerialQueue.h"

#include "common/ThreadHandOff.h"

#include <QSemaphore>
#include <QThread>

namespace corvane {

SerialQueue::SerialQueue(const char* name) : m_thread(new QThread), m_context(new QObject)
{
    m_thread->setObjectName(QString::fromLatin1(name));
    m_context->moveToThread(m_thread);
    m_thread->start();
}

SerialQueue::~SerialQueue()
{
    drain();
    QObject* context = m_context;
    QMetaObject::invokeMethod(context, ThreadHandOff::handedOver([context] { delete context; }),
                              Qt::BlockingQueuedConnection);
    m_thread->quit();
    m_thread->wait();
    delete m_thread;
}

bool SerialQueue::isCurrent() const
{
    return QThread::currentThread() == m_thread;
}

void SerialQueue::async(std::function<void()> fn)
{
    QMetaObject::invokeMethod(m_context, ThreadHandOff::handedOver(std::move(fn)), Qt::QueuedConnection);
}

void SerialQueue::sync(const std::function<void()>& fn)
{
    if (isCurrent()) {
        fn();
        return;
    }
    QSemaphore done;
    async([&] {
        fn();
        ThreadHandOff::released(&done);
        done.release();
    });
    done.acquire();
    ThreadHandOff::acquired(&done);
}

void SerialQueue::drain()
{
    sync([] {});
}

} // namespace corvane
