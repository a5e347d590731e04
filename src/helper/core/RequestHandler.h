// SPDX-License-Identifier: GPL-3.0-or-later
#pragma once

#include "helper/core/Authoriser.h"
#include "helper/core/PeerIdentity.h"
#include "helper/core/RequestRules.h"
#include "helper/core/UnitControl.h"
#include "platform/HelperProtocol.h"

#include <string>

namespace corvane::helper {

// One decoded request from start to end: the rules that need only the request, then the
// authorisation of exactly this process for exactly this action, then the rules that ask
// the file system, then the act. The answer is what the caller is told and the log shows:
// "ok", "refused: <rule>" or "failed: <reason>".
class RequestHandler
{
public:
    RequestHandler(RequestRules rules, Authoriser& authoriser, UnitControl& units);

    std::string handle(const PeerIdentity& peer, const HelperProtocol::Request& request);

private:
    std::string removeFile(const PeerIdentity& peer, const std::string& path);
    std::string disableService(const PeerIdentity& peer, const std::string& unit);

    RequestRules m_rules;
    Authoriser& m_authoriser;
    UnitControl& m_units;
};

} // namespace corvane::helper
