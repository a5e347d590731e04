// SPDX-License-Identifier: GPL-3.0-or-later
// A libFuzzer target for what the helper reads from strangers: the frame scanner and
// decoder, then the rules that judge a decoded request by its spelling alone (nothing is
// opened or removed). Built and run by scripts/fuzz-helper with clang.
#include "helper/core/RequestRules.h"
#include "platform/HelperProtocol.h"
#include "platform/UnitNames.h"

#include <cstddef>
#include <cstdint>
#include <string>

using namespace corvane;

extern "C" int LLVMFuzzerTestOneInput(const uint8_t* data, size_t size)
{
    const std::string bytes(reinterpret_cast<const char*>(data), size);
    size_t frameLength = 0;
    HelperProtocol::scan(bytes, frameLength);
    const auto request = HelperProtocol::decode(bytes);
    if (!request)
        return 0;
    // A home that exists for nobody: the spelling checks run, the file system is never asked.
    helper::HelperRoots roots;
    roots.homeOf = [](uid_t) { return std::optional<std::string>("/nonexistent/fuzz-home"); };
    roots.systemCaches = "/nonexistent/cache";
    roots.unitFiles = "/nonexistent/units";
    const helper::RequestRules rules(roots);
    if (request->key == HelperProtocol::kRemoveFile)
        rules.precheckRemoval(1000, request->value);
    else if (request->key == HelperProtocol::kDisableService)
        rules.checkUnit(request->value);
    UnitNames::isValid(request->value);
    return 0;
}
