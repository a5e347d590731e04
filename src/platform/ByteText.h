// SPDX-License-Identifier: GPL-3.0-or-later
#pragma once

#include <QString>

#include <cstddef>
#include <string>
#include <string_view>

namespace corvane {

// File names are bytes; people read text. These two views of the same bytes are used
// wherever a path leaves the program for a person or a script.
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

    // The bytes as a name shown in a list or a label: well-formed UTF-8 as text, each byte
    // of an ill-formed sequence as "\xNN" (names that differ there read differently), every
    // control character shown
    // as its picture (a line break as "␊") and the characters that reorder text (bidi
    // overrides and isolates) as "\uFFFD", so a name takes one line and reads in the
    // order its bytes are stored: "gpj.exe" cannot pose as "exe.jpg".
    static QString forDisplay(std::string_view bytes);
};

} // namespace corvane
