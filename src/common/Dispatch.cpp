// SPDX-License-Identifier: GPL-3.0-or-later
#include "common/Dispatch.h"

#include "common/ThreadHandOff.h"

#include <QCoreApplication>
#include <QThread>
#include <QThreadPool>

namespace corvane::Dispatch {

void global(std::function<void()> fn)
{
    QThreadPool::globalInstance()->start(ThreadHandOff::handedOver(std::move(fn)));
}

void main(std::function<void()> fn)
{
    QCoreApplication* app = QCoreApplication::instance();
    if (!app) {
        fn();
        return;
    }
    QMetaObject::invokeMethod(app, ThreadHandOff::handedOver(std::move(fn)), Qt::QueuedConnection);
}

bool isMainThread()
{
    QCoreApplication* app = QCoreApplication::instance();
    return app && QThread::currentThread() == app->thread();
}

} // namespace corvane::Dispatch
