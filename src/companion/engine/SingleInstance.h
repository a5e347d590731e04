// SPDX-License-Identifier: GPL-3.0-or-later
#pragma once

#include <QLockFile>

#include <memory>
#include <string>

namespace corvane {

class Layout;

// Keeps one companion per user: the first to take the lock in the user's runtime folder
// runs, any later one leaves. A lock left by a companion that died is taken over.
class SingleInstance
{
public:
    explicit SingleInstance(std::string lockPath);
    ~SingleInstance();

    // False for an empty path: without a private folder there is no safe place for the lock.
    bool tryAcquire();
    bool isHeld() const;
    // Lets the next companion run while this one is still finishing.
    void release();
    const std::string& lockPath() const { return m_path; }

    // "<private runtime folder>/CorvaneXPC.lock" (RuntimeFolder): never a name in the
    // shared temporary folder, which another user could create first and so keep every
    // companion of ours from starting. Empty when there is no private folder.
    static std::string companionLockPath(const Layout& layout);

private:
    std::string m_path;
    std::unique_ptr<QLockFile> m_lock;
};

} // namespace corvane
