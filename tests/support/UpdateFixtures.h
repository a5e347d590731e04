// SPDX-License-Identifier: GPL-3.0-or-later
#pragma once

#include "support/ReleaseKey.h"

#include <map>
#include <string>
#include <vector>

namespace corvane::test {

// One entry of a zip archive made for a test: the archive is built entry by entry, so it
// can hold what no honest packer writes ("../" names, absolute names, links).
struct ZipEntry
{
    enum class Kind { File, Folder, Link };
    std::string name;
    std::string bytes; // a file's content, a link's target
    Kind kind = Kind::File;
    unsigned permissions = 0644;
};

std::string makeZip(const std::vector<ZipEntry>& entries);

// "CorvaneTidewell.app/…" with an Info.plist of this identifier and version and the
// program "Contents/MacOS/CorvaneTidewell" holding `program` (executable), plus
// `extraFiles` files of `extraBytes` pseudo-random bytes each under Contents/Resources.
std::vector<ZipEntry> bundleEntries(const std::string& version, const std::string& program,
                                    const std::string& identifier = "com.corvane.CorvaneTidewell", int extraFiles = 0,
                                    size_t extraBytes = 0);
std::string infoPlist(const std::string& identifier, const std::string& version,
                      const std::string& executable = "CorvaneTidewell");

// Writes the entries as a real folder tree under `folder` (files and folders only).
void writeTree(const std::string& folder, const std::vector<ZipEntry>& entries);

// Saves the archive as "<documents>/CorvaneTidewell.app.zip" with the signature file the
// main program writes beside it, signed by `key` for `version`.
void placeUpdate(const std::string& documents, const std::string& zip, const std::string& version,
                 const ReleaseKey& key);

// Every entry below `root`, by relative path: "d" for a folder, "l:<target>" for a link,
// "f<mode>:<content>" for a file (the mode's permission bits in octal).
std::map<std::string, std::string> treeSnapshot(const std::string& root);

} // namespace corvane::test
