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

    bool tryAcquire();
    bool isHeld() const;
    const std::string& lockPath() const { return m_path; }

    // "<runtime folder>/CorvaneXPC.lock"; the user id is part of the name when the
    // runtime folder is shared (/tmp).
    static std::string companionLockPath(const Layout& layout);

private:
    std::string m_path;
    std::unique_ptr<QLockFile> m_lock;
};

} // namespace corvane
