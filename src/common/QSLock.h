// SPDX-License-Identifier: GPL-3.0-or-later
#pragma once

#include <cstdint>
#include <string>
#include <utility>
#include <variant>

namespace corvane {

// A process-wide registry of named, non-recursive locks. A critical section holds its
// key through a Guard, which gives the key back however the section is left; sections
// with different keys run in parallel. An entry lives exactly as long as some thread
// holds or awaits its key, so the registry never grows beyond the keys in use and a
// key's lock is never replaced while a thread is about to wait on it.
class QSLock
{
public:
    using Key = std::variant<uint64_t, std::string>;

    // Holds `key` from construction to destruction.
    class Guard
    {
    public:
        explicit Guard(Key key) : m_key(std::move(key)) { lockForKey(m_key); }
        ~Guard() { unLockForKey(m_key); }
        Guard(const Guard&) = delete;
        Guard& operator=(const Guard&) = delete;

    private:
        Key m_key;
    };

    static void lockCreate();
    // The bare operations under the Guard; unLockForKey of a key not held does nothing.
    static void lockForKey(const Key& key);
    static void unLockForKey(const Key& key);

    // Number of keys currently held or awaited (for checks and tests).
    static size_t registeredKeyCount();
    // Threads holding or awaiting the key (for checks and tests): 2 while a holder keeps a
    // second thread waiting.
    static size_t usersOfKey(const Key& key);
};

} // namespace corvane
