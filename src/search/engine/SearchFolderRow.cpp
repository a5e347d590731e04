// SPDX-License-Identifier: GPL-3.0-or-later
#include "search/engine/SearchFolderRow.h"

#include "platform/FileChecks.h"
#include "search/engine/SearchFolderList.h"

namespace corvane {

QString SearchFolderRow::title() const
{
    const std::string name = lastComponent(path);
    return SearchFolderList::displayPath(name.empty() ? path : name);
}

QString SearchFolderRow::subtitle() const
{
    return SearchFolderList::displayPath(path);
}

} // namespace corvane
