// SPDX-License-Identifier: GPL-3.0-or-later
#include "duplicates/engine/DupScanReultObject.h"

#include "platform/FileChecks.h"
#include "search/engine/SearchFolderList.h"

namespace corvane {

std::string DupScanReultObject::extension() const
{
    return pathExtension(filePath);
}

QString DupScanReultObject::fileName() const
{
    return SearchFolderList::displayPath(lastComponent(filePath));
}

QString DupScanReultObject::title() const
{
    const std::string name = lastComponent(filePath);
    const std::string ext = extension();
    const std::string stem = ext.empty() ? name : name.substr(0, name.size() - ext.size() - 1);
    return SearchFolderList::displayPath(stem);
}

QString DupScanReultObject::subtitle() const
{
    return SearchFolderList::displayPath(extension());
}

QString DupScanReultObject::shownPath() const
{
    return SearchFolderList::shortPath(SearchFolderList::displayPath(filePath), 30);
}

} // namespace corvane
