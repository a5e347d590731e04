// SPDX-License-Identifier: GPL-3.0-or-later
#pragma once

#include <optional>
#include <string>

namespace corvane {

// Digests written as lowercase hexadecimal, two characters per byte. The "lazy"
// fingerprints read only a few samples of a file, or only the listing of a package, so
// that comparing many large files stays cheap. Every operation is re-entrant and may be
// called from any number of threads; none of them throws.
class QSWebUtility
{
public:
    // Digest of the text's bytes: kind 0 MD5, 1 SHA-1, 2 SHA-256, 3 SHA-512; any other
    // kind gives nothing.
    static std::optional<std::string> hashString(const std::string& text, int kind);

    // MD5 of up to three 4096-byte samples at 0, S/n and 2S/n (n = min(S/4096 + 1, 3)), so
    // a file under 4096 bytes is hashed whole. Nothing for an empty or unreadable file.
    static std::optional<std::string> lazyMD5File(const std::string& path);
    // The same, for `name` relative to the open folder `dirFd` (AT_FDCWD takes a path).
    // Links are not followed: the walkers hand over only regular files.
    static std::optional<std::string> lazyMD5FileAt(int dirFd, const char* name);

    // MD5 of the package's sorted listing joined with ",": relative paths of links and
    // folders (at most three components deep), and "relative-path-SIZE" for regular files.
    // Top-level names beginning with "." or "__MACOSX" are left out with everything under
    // them. SIZE is the file's own st_size (not the size of the volume holding it), so the
    // fingerprint changes when a file inside the package changes length. Only names,
    // structure and sizes enter it, never contents.
    static std::string lazyHashPackage(const std::string& path);

    // lazyHashPackage for a package-like folder (directoryValidApp), lazyMD5File otherwise.
    static std::optional<std::string> lazyHashFile(const std::string& path);

    // A folder that is compared as one unit: a file package, or a folder whose last
    // component contains "Adobe Extension Manager", "Adobe Photoshop", "Microsoft
    // Office", "Adobe Application Manager" or "Adobe Utilities" (case-sensitive). Only
    // folders qualify: a regular file that happens to carry such a name is a file.
    static bool directoryValidApp(const std::string& path);
    // The name rule alone, for callers that already know the path is a folder.
    static bool hasProductFolderName(const std::string& path);
};

} // namespace corvane
