#pragma once

#include <cstdint>
#include <string>
#include <variant>

namespace corvane {

// A process-wide registry of named, non-recursive locks. Callers bracket a critical
// section with lockForKey and unLockForKey on the same key from any thread; sections
// with different keys run in parallel. An entry lives exactly as long as some thread
// holds or awaits its key, so the registry never grows beyond the keys in use and a
// key's lock is never replaced while a thread is about to wait on it.
class QSLock
{
public:
    using Key = std::variant<uint64_t, std::string>;

    static void lockCreate();
    static void lockForKey(const Key& key);
    static void unLockForKey(const Key& key);

    // Number of keys currently held or awaited (for checks and tests).
    static size_t registeredKeyCount();
};

} // namespace corvane
