// SPDX-License-Identifier: GPL-3.0-or-later
#pragma once

#include "platform/UniqueFd.h"

#include <functional>
#include <optional>
#include <string>
#include <sys/stat.h>
#include <sys/types.h>

namespace corvane::helper {

// The answer of the rules to one request: allowed or refused, and the rule that decided,
// a short stable name that the logs, the replies and --explain all show.
struct Verdict
{
    bool allowed = false;
    std::string rule;

    static Verdict allow(std::string rule) { return Verdict{true, std::move(rule)}; }
    static Verdict refuse(std::string rule) { return Verdict{false, std::move(rule)}; }
    // {"verdict":"allowed","rule":"home"}
    std::string json() const;
};

// The folders the rules measure requests against. The service uses the machine's own;
// tests point every one of them into scratch trees.
struct HelperRoots
{
    // The home folder in the password entry of a uid; nothing when there is none.
    using HomeLookup = std::function<std::optional<std::string>(uid_t)>;
    HomeLookup homeOf;
    std::string systemCaches;
    std::string unitFiles;

    static HelperRoots machine(); // getpwuid_r, /var/cache, /etc/systemd/system
    static std::optional<std::string> passwordHome(uid_t uid);
};

// What the helper may do for a caller, decided without doing it (the server acts on an
// allowed answer; --explain only prints it).
//
// removeFile takes an absolute path of at most 4095 bytes without NUL and without empty,
// "." or ".." components, that lies
//  - below the caller's home folder (from the password entry of the caller's uid, never
//    from the helper's environment), in a folder the caller owns, so the caller could
//    unlink that name itself but not necessarily empty what is below it; the home must
//    belong to the caller, and neither the home itself nor a mount point is a target;
//  - or on the system cache allow list below the machine's cache folder, as a regular file;
//  - or directly in the machine's unit folder, a file or link named like a unit of a type
//    the helper may switch off, neither the helper's own nor one that is never stopped.
// The way there is resolved beneath the root's open folder: no link, no "..", no mount on
// the way. The last component itself is not followed: a link is removed as a link. The
// protected-path list refuses what it refuses everywhere else too.
//
// DisableService takes a unit name (UnitNames).
class RequestRules
{
public:
    explicit RequestRules(HelperRoots roots);

    // What the path's spelling and the caller's password entry decide, with nothing opened:
    // a refusal, or nothing when the file system must be asked. Run before an
    // administrator is asked, so nobody is asked about a request that cannot pass.
    std::optional<Verdict> precheckRemoval(uid_t caller, const std::string& path) const;

    // The whole answer, the file system asked. When allowed, `folder` is the open folder
    // holding the entry, `name` its name there and `entry` what it was when looked at.
    struct Target
    {
        Verdict verdict;
        UniqueFd folder;
        std::string name;
        struct stat entry
        {
        };
    };
    Target resolveRemoval(uid_t caller, const std::string& path) const;

    Verdict checkUnit(const std::string& unit) const;

private:
    enum class Area { Home, SystemCaches, UnitFiles };
    struct Placed
    {
        Area area = Area::Home;
        std::string root;     // the folder the path lies below
        std::string relative; // the rest of the path below it
    };
    // The refusal or the area a path falls in.
    std::optional<Verdict> place(uid_t caller, const std::string& path, Placed& placed) const;

    HelperRoots m_roots;
};

} // namespace corvane::helper
