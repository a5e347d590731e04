// SPDX-License-Identifier: GPL-3.0-or-later
#pragma once

#include <QString>

#include <optional>
#include <string>

namespace corvane {

class Layout;

// The one way the program runs work outside its own code: shell lines as the user, and
// the client side of the privileged helper.
class CmdLineTool
{
public:
    // Runs "/bin/sh" "-c" <command>, standard output to a pipe read until end of file
    // (so until the shell and everything it started have closed it), standard input and
    // error inherited. The output as text; nothing when it is not valid UTF-8. Blocks.
    // Values put into the line must be quoted with shellQuote().
    static std::optional<QString> runCommand(const std::string& command);
    // The same, giving the raw bytes of standard output (for output holding paths).
    static std::string runCommandBytes(const std::string& command);

    // "/Users/<login>/Library" built from the login name (the layout's counterpart).
    static std::string hiddenLibraryPath(const Layout& layout);

    // Fire-and-forget privileged requests; the caller never blocks and is not told the
    // outcome: it looks at the file system again later. The helper listens on the
    // layout's helper socket.
    static void sudoDeleteFileAtPath(const std::string& path, const Layout& layout);
    static void sudoDisableServiceAtLabel(const std::string& label, const Layout& layout);

    // Sends one request; false when no connection to the helper could be made.
    static bool sendPrivilegedRequest(const std::string& key, const std::string& value, const Layout& layout);
};

} // namespace corvane
