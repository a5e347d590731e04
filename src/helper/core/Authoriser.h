// SPDX-License-Identifier: GPL-3.0-or-later
#pragma once

#include "helper/core/PeerIdentity.h"

#include <string>

namespace corvane::helper {

// The one question the helper asks before acting: may this process do this? The service
// asks polkit (bus/PolkitAuthoriser); tests link a fake. Any error is a refusal.
class Authoriser
{
public:
    enum class Action { RemoveFile, DisableService };

    virtual ~Authoriser() = default;
    // True only when the action is granted to exactly that process; may ask an
    // administrator (interaction allowed) and so may take a while.
    virtual bool authorise(const PeerIdentity& peer, Action action) = 0;

    // "com.corvane.CorvaneHelper.removeFile" / "com.corvane.CorvaneHelper.DisableService".
    static std::string actionId(Action action)
    {
        return action == Action::RemoveFile ? "com.corvane.CorvaneHelper.removeFile"
                                            : "com.corvane.CorvaneHelper.DisableService";
    }
};

} // namespace corvane::helper
