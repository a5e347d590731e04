// SPDX-License-Identifier: GPL-3.0-or-later
#include "common/DuplicatedFileObject.h"

#include "common/SearchFolderList.h"
#include "platform/FileChecks.h"

namespace corvane {

QString DuplicatedFileObject::title() const
{
    const std::string name = lastComponent(path);
    return SearchFolderList::displayPath(name.empty() ? path : name);
}

QString DuplicatedFileObject::subtitle() const
{
    return SearchFolderList::displayPath(path);
}

} // namespace corvane
