// SPDX-License-Identifier: GPL-3.0-or-later
#include "search/engine/SearchResultSupport.h"

#include "platform/FileChecks.h"

#include <thread>

namespace corvane {

std::string asciiUpper(std::string text)
{
    for (char& c : text)
        if (c >= 'a' && c <= 'z')
            c = char(c - 'a' + 'A');
    return text;
}

std::string asciiLower(std::string text)
{
    for (char& c : text)
        if (c >= 'A' && c <= 'Z')
            c = char(c - 'A' + 'a');
    return text;
}

bool removalConfirmed(const std::string& path, bool handedToHelper)
{
    if (handedToHelper) {
        for (int i = 0; i < 20 && FileChecks::existsNoFollow(path); ++i)
            std::this_thread::sleep_for(std::chrono::milliseconds(100));
    }
    return !FileChecks::existsNoFollow(path);
}

} // namespace corvane
