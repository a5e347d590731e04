// SPDX-License-Identifier: GPL-3.0-or-later
#pragma once

#include <string>

namespace corvane::DebugNote {

// The Qt-free half of the platform layer says what it passed over (a file not read, and
// why) through this one hook, so the privileged helper can use it without Qt while the
// programs keep seeing those lines in the platform's logging category. Without a sink,
// or while the sink says debug output is off, nothing is built or written.
using Write = void (*)(const std::string& line);
using Enabled = bool (*)();

void setSink(Write write, Enabled enabled);
bool enabled();
void write(const std::string& line);

} // namespace corvane::DebugNote
