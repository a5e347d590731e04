// SPDX-License-Identifier: GPL-3.0-or-later
#pragma once

#include <QString>

#include <string_view>

namespace corvane {

// File names as people read them on the screens; ByteText has the view for logs.
class DisplayText
{
public:
    // The bytes as a name shown in a list or a label: well-formed UTF-8 as text, each byte
    // of an ill-formed sequence as "\xNN" (names that differ there read differently), every
    // control character shown as its picture (a line break as "␊") and the characters
    // that reorder text (bidi overrides and isolates) as "\uFFFD", so a name takes one
    // line and reads in the order its bytes are stored: "gpj.exe" cannot pose as "exe.jpg".
    static QString forName(std::string_view bytes);
};

} // namespace corvane
