// SPDX-License-Identifier: GPL-3.0-or-later
#include "common/ShellQuote.h"

namespace corvane {

std::string shellQuote(const std::string& value)
{
    std::string out;
    out.reserve(value.size() + 2);
    out.push_back('\'');
    for (char c : value) {
        if (c == '\'')
            out += "'\\''";
        else
            out.push_back(c);
    }
    out.push_back('\'');
    return out;
}

} // namespace corvane
