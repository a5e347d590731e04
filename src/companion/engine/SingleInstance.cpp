// SPDX-License-Identifier: GPL-3.0-or-later
#include "companion/engine/SingleInstance.h"

#include "platform/FileChecks.h"
#include "platform/Layout.h"
#include "platform/LogCategories.h"
#include "platform/RuntimeFolder.h"

#include <QFile>

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
    if (m_path.empty()) {
        qCWarning(lcCompanion, "no private runtime folder for the lock");
        return false;
    }
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

void SingleInstance::release()
{
    m_lock.reset();
}

std::string SingleInstance::companionLockPath(const Layout& layout)
{
    const auto folder = RuntimeFolder::privateFolder(layout);
    return folder ? joinPath(*folder, "CorvaneXPC.lock") : std::string();
}

} // namespace corvane
