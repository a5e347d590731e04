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

struct Registry
{
    std::mutex monitor;
    std::map<QSLock::Key, Entry> entries;
};

Registry* g_registry = nullptr;
std::once_flag g_once;

Registry& registry()
{
    QSLock::lockCreate();
    return *g_registry;
}

} // namespace

void QSLock::lockCreate()
{
    std::call_once(g_once, [] { g_registry = new Registry; });
}

void QSLock::lockForKey(const Key& key)
{
    Registry& r = registry();
    std::unique_lock lock(r.monitor);
    Entry& e = r.entries[key]; // std::map keeps the entry's address while others come and go
    ++e.users;
    e.released.wait(lock, [&] { return !e.held; });
    e.held = true;
}

void QSLock::unLockForKey(const Key& key)
{
    Registry& r = registry();
    std::unique_lock lock(r.monitor);
    auto it = r.entries.find(key);
    if (it == r.entries.end() || !it->second.held)
        return;
    Entry& e = it->second;
    e.held = false;
    if (--e.users == 0) {
        r.entries.erase(it);
        return;
    }
    e.released.notify_one();
}

size_t QSLock::usersOfKey(const Key& key)
{
    Registry& r = registry();
    std::lock_guard lock(r.monitor);
    auto it = r.entries.find(key);
    return it == r.entries.end() ? 0 : size_t(it->second.users);
}

size_t QSLock::registeredKeyCount()
{
    Registry& r = registry();
    std::lock_guard lock(r.monitor);
    return r.entries.size();
}

} // namespace corvane
