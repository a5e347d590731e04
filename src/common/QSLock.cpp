// SPDX-License-Identifier: GPL-3.0-or-later
#include "common/QSLock.h"

#include <condition_variable>
#include <map>
#include <mutex>

namespace corvane {

namespace {

struct Entry
{
    bool held = false;
    int users = 0; // holders plus waiters
    std::condition_variable released;
};

} // namespace

struct QSLock::Registry::State
{
    mutable std::mutex monitor;
    std::map<QSLock::Key, Entry> entries; // std::map keeps an entry's address while others come and go
};

QSLock::Registry::Registry() : m_state(std::make_unique<State>()) {}

QSLock::Registry::~Registry() = default;

void QSLock::Registry::lock(const Key& key)
{
    std::unique_lock lock(m_state->monitor);
    Entry& e = m_state->entries[key];
    ++e.users;
    e.released.wait(lock, [&] { return !e.held; });
    e.held = true;
}

void QSLock::Registry::unlock(const Key& key)
{
    std::unique_lock lock(m_state->monitor);
    auto it = m_state->entries.find(key);
    if (it == m_state->entries.end() || !it->second.held)
        return;
    Entry& e = it->second;
    e.held = false;
    if (--e.users == 0) {
        m_state->entries.erase(it);
        return;
    }
    e.released.notify_one();
}

size_t QSLock::Registry::usersOf(const Key& key) const
{
    std::lock_guard lock(m_state->monitor);
    auto it = m_state->entries.find(key);
    return it == m_state->entries.end() ? 0 : size_t(it->second.users);
}

size_t QSLock::Registry::keyCount() const
{
    std::lock_guard lock(m_state->monitor);
    return m_state->entries.size();
}

QSLock::Registry& QSLock::shared()
{
    // Never destroyed: a thread may still give a key back while the process exits.
    static Registry* const registry = new Registry;
    return *registry;
}

void QSLock::lockCreate()
{
    shared();
}

void QSLock::lockForKey(const Key& key)
{
    shared().lock(key);
}

void QSLock::unLockForKey(const Key& key)
{
    shared().unlock(key);
}

size_t QSLock::usersOfKey(const Key& key)
{
    return shared().usersOf(key);
}

size_t QSLock::registeredKeyCount()
{
    return shared().keyCount();
}

} // namespace corvane
