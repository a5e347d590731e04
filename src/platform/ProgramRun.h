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

    struct Output
    {
        int status = -1;        // the exit status, -1 when killed by a signal
        std::string bytes;      // standard output, as written
        bool truncated = false; // more than the limit was written; the rest was read and dropped
    };
    // The same with standard output read through a pipe until the program and everything
    // it started have closed it, and standard error sent to /dev/null. Nothing when the
    // program could not be started.
    static std::optional<Output> output(const std::vector<std::string>& arguments, size_t limit);

    // Starts the program in a session of its own and does not wait for it: it outlives
    // the caller and is never the caller's child. True once the program runs (its exec
    // succeeded). The program must be given by path.
    static bool startDetached(const std::vector<std::string>& arguments);
};

} // namespace corvane
