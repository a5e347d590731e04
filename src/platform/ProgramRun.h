// SPDX-License-Identifier: GPL-3.0-or-later
#pragma once

#include <optional>
#include <string>
#include <vector>

namespace corvane {

// Runs a program as an argument vector and waits for it: no shell ever sees the
// arguments, so a name with blanks, quotes or "$(…)" stays one argument. The program is
// looked up in PATH when it has no "/". Standard input is /dev/null.
class ProgramRun
{
public:
    // The exit status; nothing when the program could not be started or was killed by a
    // signal.
    static std::optional<int> run(const std::vector<std::string>& arguments);
};

} // namespace corvane
