// SPDX-License-Identifier: GPL-3.0-or-later
#include "largefiles/engine/LargeFileObject.h"

#include "platform/FileChecks.h"
#include "search/engine/SearchFolderList.h"

namespace corvane {

QString LargeFileObject::fileName() const
{
    return SearchFolderList::displayPath(lastComponent(filePath));
}

QString LargeFileObject::shownPath() const
{
    return SearchFolderList::shortPath(SearchFolderList::displayPath(filePath), 30);
}

std::string LargeFileObject::extension() const
{
    return pathExtension(filePath);
}

} // namespace corvane
