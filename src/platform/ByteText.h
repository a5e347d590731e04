// SPDX-License-Identifier: GPL-3.0-or-later
#pragma once

#include <cstddef>
#include <string>
#include <string_view>

namespace corvane {

// File names are bytes; people read text. The view of the same bytes used wherever a path
// leaves the program for a log or a terminal (DisplayText has the one for the screens).
class ByteText
{
public:
    // Length of the well-formed UTF-8 sequence starting at `i` (1 to 4), or 0 when the
    // byte there does not begin one (overlong forms, surrogates and values past
    // U+10FFFF are not well formed).
    static size_t utf8SequenceLength(std::string_view bytes, size_t i);

    // The bytes made safe for a log line or a terminal: well-formed printable UTF-8 is
    // kept; control bytes (line breaks and escape sequences among them), C1 controls,
    // DEL, the backslash and every byte of an ill-formed sequence become "\xNN". A name
    // can then neither forge a log line nor retitle or clear a terminal, and two
    // different names never read the same.
    static std::string forLog(std::string_view bytes);
};

} // namespace corvane
