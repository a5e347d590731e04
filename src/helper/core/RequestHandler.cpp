// SPDX-License-Identifier: GPL-3.0-or-later
#include "helper/core/RequestHandler.h"

#include "platform/ByteText.h"
#include "platform/SafeRemover.h"

#include <cstring>
#include <exception>

namespace corvane::helper {

namespace {

std::string refused(const std::string& rule)
{
    return "refused: " + rule;
}

std::string failed(const std::string& reason)
{
    // The reason may come from the bus; one escaped line whatever it holds.
    return "failed: " + ByteText::forLog(reason);
}

} // namespace

RequestHandler::RequestHandler(RequestRules rules, Authoriser& authoriser, UnitControl& units)
    : m_rules(std::move(rules)), m_authoriser(authoriser), m_units(units)
{}

std::string RequestHandler::handle(const PeerIdentity& peer, const HelperProtocol::Request& request)
{
    // The authoriser and the unit switch talk to other processes; whatever goes wrong
    // there ends this request, never the helper.
    try {
        if (request.key == HelperProtocol::kRemoveFile)
            return removeFile(peer, request.value);
        if (request.key == HelperProtocol::kDisableService)
            return disableService(peer, request.value);
        return refused("unknown-key");
    } catch (const std::exception& e) {
        return failed(e.what());
    } catch (...) {
        return failed("internal error");
    }
}

std::string RequestHandler::removeFile(const PeerIdentity& peer, const std::string& path)
{
    if (auto refusal = m_rules.precheckRemoval(peer.uid, path))
        return refused(refusal->rule);
    if (!m_authoriser.authorise(peer, Authoriser::Action::RemoveFile))
        return refused("not-authorised");
    // Resolved only now, after a possibly long wait for an administrator, so what is
    // removed is what is there at this moment.
    RequestRules::Target target = m_rules.resolveRemoval(peer.uid, path);
    if (!target.verdict.allowed)
        return refused(target.verdict.rule);
    const SafeRemover::Result result = SafeRemover::removeAt(target.folder.get(), target.name, &target.entry);
    switch (result.status) {
    case SafeRemover::Status::Removed:
    case SafeRemover::Status::NotFound:
        return "ok";
    case SafeRemover::Status::Moved:
        return refused("moved");
    case SafeRemover::Status::Refused:
        return refused("remover");
    case SafeRemover::Status::Failed:
        break;
    }
    return failed(std::strerror(result.error ? result.error : EIO));
}

std::string RequestHandler::disableService(const PeerIdentity& peer, const std::string& unit)
{
    if (const Verdict verdict = m_rules.checkUnit(unit); !verdict.allowed)
        return refused(verdict.rule);
    if (!m_authoriser.authorise(peer, Authoriser::Action::DisableService))
        return refused("not-authorised");
    if (auto error = m_units.disableAndStop(unit))
        return failed(*error);
    return "ok";
}

} // namespace corvane::helper
