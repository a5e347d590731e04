// SPDX-License-Identifier: GPL-3.0-or-later
#include "companion/engine/SingleInstance.h"

#include "platform/FileChecks.h"
#include "platform/Layout.h"

#include <QFile>

#include <unistd.h>

namespace corvane {

SingleInstance::SingleInstance(std::string lockPath)
    : m_path(std::move(lockPath))
{
}

SingleInstance::~SingleInstance() = default;

bool SingleInstance::tryAcquire()
{
    if (isHeld())
        return true;
    m_lock = std::make_unique<QLockFile>(QFile::decodeName(QByteArray::fromStdString(m_path)));
    // The lock lives as long as the process; only a dead owner's lock may be taken over.
    m_lock->setStaleLockTime(0);
    if (m_lock->tryLock(0))
        return true;
    m_lock.reset();
    return false;
}

bool SingleInstance::isHeld() const
{
    return m_lock && m_lock->isLocked();
}

std::string SingleInstance::companionLockPath(const Layout& layout)
{
    const std::string runtime = layout.path(Layout::Role::RuntimeDir).value_or("/tmp");
    if (runtime == "/tmp" || runtime.empty())
        return joinPath("/tmp", "CorvaneXPC-" + std::to_string(::getuid()) + ".lock");
    return joinPath(runtime, "CorvaneXPC.lock");
}

} // namespace corvane
