// SPDX-License-Identifier: GPL-3.0-or-later
#pragma once

#include <cstdint>
#include <memory>
#include <string>
#include <utility>
#include <variant>

namespace corvane {

// Named, non-recursive locks. A critical section holds its key through a Guard, which
// gives the key back however the section is left; sections with different keys run in
// parallel. Keys live in a Registry: a search keeps one of its own, so two searches never
// wait on each other's keys and the registry goes with the search. The static operations
// use one registry shared by the whole process.
//
// An entry lives exactly as long as some thread holds or awaits its key, so a registry
// never grows beyond the keys in use and a key's lock is never replaced while a thread is
// about to wait on it.
class QSLock
{
public:
    using Key = std::variant<uint64_t, std::string>;

    class Registry
    {
    public:
        Registry();
        ~Registry();
        Registry(const Registry&) = delete;
        Registry& operator=(const Registry&) = delete;

        void lock(const Key& key);
        // Giving back a key that is not held does nothing.
        void unlock(const Key& key);
        // Keys currently held or awaited.
        size_t keyCount() const;
        // Threads holding or awaiting the key: 2 while a holder keeps a second thread waiting.
        size_t usersOf(const Key& key) const;

    private:
        struct State;
        std::unique_ptr<State> m_state;
    };

    // Holds `key` from construction to destruction.
    class Guard
    {
    public:
        Guard(Registry& registry, Key key) : m_registry(registry), m_key(std::move(key)) { m_registry.lock(m_key); }
        explicit Guard(Key key) : Guard(shared(), std::move(key)) {}
        ~Guard() { m_registry.unlock(m_key); }
        Guard(const Guard&) = delete;
        Guard& operator=(const Guard&) = delete;

    private:
        Registry& m_registry;
        Key m_key;
    };

    // The process-wide registry, made on first use.
    static Registry& shared();

    static void lockCreate();
    // The bare operations on the shared registry.
    static void lockForKey(const Key& key);
    static void unLockForKey(const Key& key);
    static size_t registeredKeyCount();
    static size_t usersOfKey(const Key& key);
};

} // namespace corvane
