// SPDX-License-Identifier: GPL-3.0-or-later
#pragma once

#include <optional>
#include <string>

namespace corvane {

class Layout;

// The folder where this user's local sockets and locks live. The session's runtime folder
// ($XDG_RUNTIME_DIR) when it is one of ours that nobody else can write into; otherwise a
// folder of ours inside the shared temporary folder, made 0700 when missing. A name there
// can be claimed first by anyone, so an existing one is used only when it is a real folder
// (not a link), owned by us and closed to everyone else; when it is not, there is no
// private folder and nothing may be published.
class RuntimeFolder
{
public:
    static std::optional<std::string> privateFolder(const Layout& layout);
    // The same for a given runtime folder (empty: none) and shared folder; for tests.
    static std::optional<std::string> privateFolder(const std::string& runtime, const std::string& shared);
    // "corvane-<uid>"
    static std::string fallbackName();
    // A folder, not a link, owned by the current user, that no one else may write into
    // (`closed`: nor read or enter).
    static bool isOurs(const std::string& path, bool closed);
};

} // namespace corvane
