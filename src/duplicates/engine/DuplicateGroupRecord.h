// SPDX-License-Identifier: GPL-3.0-or-later
#pragma once

#include <cstdint>
#include <optional>
#include <string>
#include <vector>

namespace corvane {

// One duplicate group as the folder view hands it to the result view, built from the
// group's latest notification ("QSDuplicationFileList", "QSDuplicationFileSize", the
// fingerprint, and "QSDuplicationFileExtenstion" when one is chosen). A group is known
// by its size and fingerprint together; the fingerprint alone can be shared.
struct DuplicateGroupRecord
{
    std::vector<std::string> fileList;
    uint64_t fileSize = 0;
    std::string fileHash;
    std::optional<std::string> fileExtenstion;
};

} // namespace corvane
