#pragma once

#include <cstdint>
#include <optional>
#include <string>
#include <vector>

namespace corvane {

// One duplicate group as the folder view hands it to the result view, built from the
// group's latest notification ("QSDuplicationFileList", "QSDuplicationFileSize", the
// fingerprint it is keyed by, and "QSDuplicationFileExtenstion" when one is chosen).
struct DuplicateGroupRecord
{
    std::vector<std::string> fileList;
    uint64_t fileSize = 0;
    std::string fileHash;
    std::optional<std::string> fileExtenstion;
};

} // namespace corvane
