// SPDX-License-Identifier: GPL-3.0-or-later
#pragma once

#include <string>

namespace corvane {

// Quotes a value for "/bin/sh": the whole value in single quotes, each ' written as '\''.
// Any byte string comes through as one word, whatever it holds ($(…), ;, *, newlines,
// leading dashes, bytes that are not UTF-8).
std::string shellQuote(const std::string& value);

} // namespace corvane
