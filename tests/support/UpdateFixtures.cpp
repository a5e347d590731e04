// SPDX-License-Identifier: GPL-3.0-or-later
#include "support/UpdateFixtures.h"

#include "support/TempDir.h"
#include "web/engine/UpdateSignature.h"

#include <archive.h>
#include <archive_entry.h>

#include <dirent.h>
#include <stdexcept>
#include <sys/stat.h>
#include <unistd.h>

namespace corvane::test {

namespace {

la_ssize_t appendTo(archive*, void* client, const void* buffer, size_t length)
{
    static_cast<std::string*>(client)->append(static_cast<const char*>(buffer), length);
    return la_ssize_t(length);
}

void snapshotInto(const std::string& root, const std::string& relative, std::map<std::string, std::string>& out)
{
    const std::string folder = relative.empty() ? root : root + "/" + relative;
    DIR* dir = ::opendir(folder.c_str());
    if (!dir)
        return;
    while (dirent* e = ::readdir(dir)) {
        const std::string name = e->d_name;
        if (name == "." || name == "..")
            continue;
        const std::string rel = relative.empty() ? name : relative + "/" + name;
        const std::string path = root + "/" + rel;
        struct stat st
        {
        };
        if (::lstat(path.c_str(), &st) != 0)
            continue;
        if (S_ISDIR(st.st_mode)) {
            out[rel] = "d";
            snapshotInto(root, rel, out);
        } else if (S_ISLNK(st.st_mode)) {
            char target[4096];
            const ssize_t n = ::readlink(path.c_str(), target, sizeof target);
            out[rel] = "l:" + std::string(target, n > 0 ? size_t(n) : 0);
        } else {
            char mode[8];
            std::snprintf(mode, sizeof mode, "%o", unsigned(st.st_mode & 07777));
            out[rel] = "f" + std::string(mode) + ":" + readFile(path);
        }
    }
    ::closedir(dir);
}

} // namespace

std::string makeZip(const std::vector<ZipEntry>& entries)
{
    std::string out;
    archive* writer = archive_write_new();
    archive_write_set_format_zip(writer);
    if (archive_write_open(writer, &out, nullptr, appendTo, nullptr) != ARCHIVE_OK)
        throw std::runtime_error("zip writer");
    for (const ZipEntry& e : entries) {
        archive_entry* entry = archive_entry_new();
        archive_entry_set_pathname(entry, e.name.c_str());
        archive_entry_set_perm(entry, e.permissions);
        archive_entry_set_mtime(entry, 1700000000, 0);
        switch (e.kind) {
        case ZipEntry::Kind::File:
            archive_entry_set_filetype(entry, AE_IFREG);
            archive_entry_set_size(entry, la_int64_t(e.bytes.size()));
            break;
        case ZipEntry::Kind::Folder:
            archive_entry_set_filetype(entry, AE_IFDIR);
            archive_entry_set_perm(entry, 0755);
            break;
        case ZipEntry::Kind::Link:
            archive_entry_set_filetype(entry, AE_IFLNK);
            archive_entry_set_symlink(entry, e.bytes.c_str());
            break;
        }
        archive_write_header(writer, entry);
        if (e.kind == ZipEntry::Kind::File && !e.bytes.empty())
            archive_write_data(writer, e.bytes.data(), e.bytes.size());
        archive_entry_free(entry);
    }
    archive_write_close(writer);
    archive_write_free(writer);
    return out;
}

std::string infoPlist(const std::string& identifier, const std::string& version, const std::string& executable)
{
    return "<?xml version=\"1.0\" encoding=\"UTF-8\"?>\n<plist version=\"1.0\"><dict>"
           "<key>CFBundleIdentifier</key><string>" +
           identifier + "</string><key>CFBundleShortVersionString</key><string>" + version +
           "</string><key>CFBundleExecutable</key><string>" + executable + "</string></dict></plist>\n";
}

std::vector<ZipEntry> bundleEntries(const std::string& version, const std::string& program,
                                    const std::string& identifier, int extraFiles, size_t extraBytes)
{
    std::vector<ZipEntry> entries = {
        {"CorvaneTidewell.app/", {}, ZipEntry::Kind::Folder},
        {"CorvaneTidewell.app/Contents/", {}, ZipEntry::Kind::Folder},
        {"CorvaneTidewell.app/Contents/Info.plist", infoPlist(identifier, version)},
        {"CorvaneTidewell.app/Contents/MacOS/", {}, ZipEntry::Kind::Folder},
        {"CorvaneTidewell.app/Contents/MacOS/CorvaneTidewell", program, ZipEntry::Kind::File, 0755},
    };
    for (int i = 0; i < extraFiles; ++i)
        entries.push_back({"CorvaneTidewell.app/Contents/Resources/part" + std::to_string(i),
                           patternBytes(extraBytes, unsigned(i), 7)});
    return entries;
}

void writeTree(const std::string& folder, const std::vector<ZipEntry>& entries)
{
    for (const ZipEntry& e : entries) {
        const std::string path = folder + "/" + e.name;
        if (e.kind == ZipEntry::Kind::Folder) {
            makeDirs(path);
        } else if (e.kind == ZipEntry::Kind::File) {
            writeFile(path, e.bytes);
            ::chmod(path.c_str(), (e.permissions & 0111) ? 0755 : 0644);
        }
    }
}

void placeUpdate(const std::string& documents, const std::string& zip, const std::string& version,
                 const ReleaseKey& key)
{
    const std::string archive = documents + "/CorvaneTidewell.app.zip";
    writeFile(archive, zip);
    const QString v = QString::fromStdString(version);
    QByteArray message = UpdateSignature::signedPrefix(v);
    message.append(zip.data(), qsizetype(zip.size()));
    if (!UpdateSignature::writeSidecar(archive, {v, key.sign(message)}))
        throw std::runtime_error("sidecar");
}

std::map<std::string, std::string> treeSnapshot(const std::string& root)
{
    std::map<std::string, std::string> out;
    snapshotInto(root, {}, out);
    return out;
}

} // namespace corvane::test
