// SPDX-License-Identifier: GPL-3.0-or-later
#include "companion/engine/UpdateInstaller.h"

#include "common/AppConfig.h"
#include "platform/AppProcesses.h"
#include "platform/Bundle.h"
#include "platform/DirectoryReader.h"
#include "platform/FileChecks.h"
#include "platform/Layout.h"
#include "platform/LogCategories.h"
#include "platform/ProgramRun.h"
#include "platform/SafeRemover.h"
#include "platform/UniqueFd.h"
#include "web/engine/UpdateRules.h"

#include <archive.h>
#include <archive_entry.h>

#include <algorithm>
#include <cerrno>
#include <climits>
#include <cstdio>
#include <cstdlib>
#include <cstring>
#include <fcntl.h>
#include <memory>
#include <string_view>
#include <sys/stat.h>
#include <unistd.h>
#include <vector>

namespace corvane {

namespace {

constexpr int kFolderFlags = O_RDONLY | O_DIRECTORY | O_NOFOLLOW | O_CLOEXEC;

struct ArchiveFree
{
    void operator()(archive* a) const { archive_read_free(a); }
};

// A name the bundle may hold as one path component.
bool isPlainName(std::string_view name)
{
    return !name.empty() && name != "." && name != ".." && name.find('/') == std::string_view::npos;
}

// Splits an entry's name into its components; a refusal when the entry could land
// anywhere but inside "CorvaneTidewell.app/" of the staging folder.
std::string checkEntryName(std::string_view name, std::vector<std::string>& parts)
{
    parts.clear();
    if (name.empty())
        return "an entry without a name";
    if (name.front() == '/')
        return "an absolute entry";
    if (name.back() == '/')
        name.remove_suffix(1);
    size_t start = 0;
    for (;;) {
        const size_t slash = name.find('/', start);
        const std::string_view part = name.substr(start, slash == std::string_view::npos ? slash : slash - start);
        if (part == "..")
            return "an entry with \"..\"";
        if (part.empty() || part == ".")
            return "a malformed entry name";
        parts.emplace_back(part);
        if (parts.size() > UpdateInstaller::kDepthLimit)
            return "an entry nested too deep";
        if (slash == std::string_view::npos)
            break;
        start = slash + 1;
    }
    if (parts.front() != AppConfig::kMainBundle)
        return "an entry outside the bundle";
    return {};
}

// Opens the folders `parts[0..count)` below `base`, making the missing ones; never
// through a link (nothing but folders and files is ever made in staging).
UniqueFd openFolders(int base, const std::vector<std::string>& parts, size_t count)
{
    UniqueFd current(::fcntl(base, F_DUPFD_CLOEXEC, 0));
    for (size_t i = 0; i < count && current; ++i) {
        if (::mkdirat(current.get(), parts[i].c_str(), 0755) != 0 && errno != EEXIST)
            return {};
        current = UniqueFd(::openat(current.get(), parts[i].c_str(), kFolderFlags));
    }
    return current;
}

// Unpacks exactly these bytes into the open staging folder; a refusal on the first entry
// that is not a plain folder or file of the bundle, or past the caps.
std::string unpack(const std::string& bytes, int stagingFd)
{
    std::unique_ptr<archive, ArchiveFree> reader(archive_read_new());
    if (!reader)
        return "no memory to unpack";
    archive_read_support_format_zip(reader.get());
    if (archive_read_open_memory(reader.get(), bytes.data(), bytes.size()) != ARCHIVE_OK)
        return "not a zip archive";
    std::vector<std::string> parts;
    size_t entries = 0;
    uint64_t unpacked = 0;
    std::vector<char> buffer(size_t(1) << 16);
    for (;;) {
        archive_entry* entry = nullptr;
        const int rc = archive_read_next_header(reader.get(), &entry);
        if (rc == ARCHIVE_EOF)
            break;
        if (rc != ARCHIVE_OK && rc != ARCHIVE_WARN)
            return "a damaged archive";
        if (++entries > UpdateInstaller::kEntryLimit)
            return "too many entries";
        const char* name = archive_entry_pathname(entry);
        if (!name)
            return "an unreadable entry name";
        if (std::string why = checkEntryName(name, parts); !why.empty())
            return why;
        if (archive_entry_hardlink(entry) || archive_entry_symlink(entry))
            return "a link entry";
        const auto type = archive_entry_filetype(entry);
        if (type == AE_IFDIR) {
            if (!openFolders(stagingFd, parts, parts.size()))
                return "an entry that cannot be unpacked";
            continue;
        }
        if (type != AE_IFREG)
            return "an entry that is neither file nor folder";
        if (parts.size() < 2)
            return "a bundle that is not a folder";
        const UniqueFd folder = openFolders(stagingFd, parts, parts.size() - 1);
        if (!folder)
            return "an entry that cannot be unpacked";
        UniqueFd file(
            ::openat(folder.get(), parts.back().c_str(), O_WRONLY | O_CREAT | O_EXCL | O_NOFOLLOW | O_CLOEXEC, 0600));
        if (!file)
            return errno == EEXIST ? "an entry given twice" : "an entry that cannot be unpacked";
        for (;;) {
            const la_ssize_t n = archive_read_data(reader.get(), buffer.data(), buffer.size());
            if (n < 0)
                return "a damaged archive";
            if (n == 0)
                break;
            unpacked += uint64_t(n);
            if (unpacked > UpdateInstaller::kUnpackedLimit)
                return "an archive that unpacks too large";
            if (!writeAll(file.get(), buffer.data(), size_t(n)))
                return "no room to unpack";
        }
        if (::fchmod(file.get(), (archive_entry_perm(entry) & 0111) ? 0755 : 0644) != 0)
            return "an entry that cannot be unpacked";
    }
    return {};
}

std::optional<std::string> resolved(const std::string& path)
{
    char buffer[PATH_MAX];
    if (!::realpath(path.c_str(), buffer))
        return std::nullopt;
    return std::string(buffer);
}

std::string refusalText(const char* what, int error)
{
    return std::string(what) + ": " + std::strerror(error);
}

} // namespace

UpdateInstaller::Places UpdateInstaller::places(const Layout& layout)
{
    return {layout.path(Layout::Role::Documents).value_or(std::string()),
            parentPath(layout.path(Layout::Role::MainBundle).value_or(std::string()))};
}

UpdateInstaller::UpdateInstaller(Places places, QByteArray trustedKey)
    : m_places(std::move(places)), m_trustedKey(std::move(trustedKey))
{}

UpdateInstaller::Staged UpdateInstaller::stage() const
{
    Staged staged;
    auto refuse = [&](std::string why) {
        discard(staged);
        staged.stagingName.clear();
        staged.refusal = std::move(why);
        return staged;
    };

    // The archive is read once, as our own regular file: the bytes checked below are the
    // bytes unpacked, whatever happens to the file meanwhile.
    UniqueFd documents(::open(m_places.documents.c_str(), O_RDONLY | O_DIRECTORY | O_CLOEXEC));
    if (!documents)
        return refuse("no update archive");
    UniqueFd file(::openat(documents.get(), AppConfig::kUpdateArchive,
                           O_RDONLY | O_NOFOLLOW | O_NONBLOCK | O_NOCTTY | O_CLOEXEC));
    if (!file) {
        const int error = errno;
        return refuse(error == ENOENT  ? "no update archive"
                      : error == ELOOP ? "the archive is a link"
                                       : refusalText("the archive cannot be read", error));
    }
    struct stat st
    {
    };
    if (::fstat(file.get(), &st) != 0 || !S_ISREG(st.st_mode))
        return refuse("the archive is not a regular file");
    if (st.st_uid != ::getuid())
        return refuse("the archive is not ours");
    if (uint64_t(st.st_size) > kArchiveLimit)
        return refuse("the archive is too large");
    staged.archiveDevice = st.st_dev;
    staged.archiveInode = st.st_ino;
    std::string bytes(size_t(st.st_size), '\0');
    size_t got = 0;
    while (got < bytes.size()) {
        const ssize_t n = ::read(file.get(), bytes.data() + got, bytes.size() - got);
        if (n < 0 && errno == EINTR)
            continue;
        if (n <= 0)
            return refuse("the archive changed while it was read");
        got += size_t(n);
    }
    file.reset();

    const auto sidecar = UpdateSignature::readSidecar(joinPath(m_places.documents, AppConfig::kUpdateArchive));
    if (!sidecar)
        return refuse("no signature");
    if (!UpdateSignature::verifyBytes(bytes, sidecar->version, sidecar->signature, m_trustedKey))
        return refuse("a bad signature");

    // Staging beside the installed bundle, on its file system, so the exchange below is one
    // rename. The hidden name keeps it out of application listings meanwhile.
    if (::mkdir(m_places.applications.c_str(), 0755) != 0 && errno != EEXIST)
        return refuse(refusalText("no applications folder", errno));
    const auto applications = resolved(m_places.applications);
    if (!applications)
        return refuse(refusalText("no applications folder", errno));
    staged.applications = *applications;
    std::string pattern = joinPath(staged.applications, std::string(kStagingPrefix) + "XXXXXX");
    if (!::mkdtemp(pattern.data()))
        return refuse(refusalText("no staging folder", errno));
    staged.stagingName = lastComponent(pattern);
    UniqueFd staging(::open(pattern.c_str(), kFolderFlags));
    if (!staging)
        return refuse(refusalText("no staging folder", errno));
    if (std::string why = unpack(bytes, staging.get()); !why.empty())
        return refuse("the archive holds " + why);
    bytes = std::string();

    const std::string stagedBundle = joinPath(pattern, AppConfig::kMainBundle);
    struct stat bundleStat
    {
    };
    if (::fstatat(staging.get(), AppConfig::kMainBundle, &bundleStat, AT_SYMLINK_NOFOLLOW) != 0 ||
        !S_ISDIR(bundleStat.st_mode))
        return refuse("the archive holds no bundle");
    const auto info = Bundle::read(stagedBundle);
    if (!info || info->identifier != QLatin1String(AppConfig::kMainIdentifier))
        return refuse("the bundle is not ours");
    if (info->shortVersion != sidecar->version)
        return refuse("the bundle's version is not the signed one");
    const auto installed = Bundle::read(joinPath(staged.applications, AppConfig::kMainBundle));
    if (!UpdateRules::updateExists(info->shortVersion, installed ? installed->shortVersion : QString()))
        return refuse("the bundle is not newer than the installed one");
    const std::string program = info->executable.toStdString();
    struct stat programStat
    {
    };
    const std::string programPath = joinPath(std::string(AppConfig::kMainBundle) + "/Contents/MacOS", program);
    if (!isPlainName(program) ||
        ::fstatat(staging.get(), programPath.c_str(), &programStat, AT_SYMLINK_NOFOLLOW) != 0 ||
        !S_ISREG(programStat.st_mode) || (programStat.st_mode & 0100) == 0)
        return refuse("the bundle has no program");
    staged.version = info->shortVersion;
    return staged;
}

void UpdateInstaller::discard(const Staged& staged) const
{
    if (staged.stagingName.empty() || staged.applications.empty())
        return;
    UniqueFd applications(::open(staged.applications.c_str(), O_RDONLY | O_DIRECTORY | O_CLOEXEC));
    if (!applications)
        return;
    const auto result = SafeRemover::removeAt(applications.get(), staged.stagingName);
    if (!result.ok())
        qCWarning(lcCompanion) << "staging folder left:"
                               << logLine(joinPath(staged.applications, staged.stagingName), result.error);
}

std::string UpdateInstaller::installedExecutable(const std::string& applications) const
{
    const std::string bundle = joinPath(applications, AppConfig::kMainBundle);
    const auto info = Bundle::read(bundle);
    std::string program = info ? info->executable.toStdString() : std::string();
    if (!isPlainName(program))
        program = AppConfig::kMainProgramName;
    const std::string path = joinPath(bundle, "Contents/MacOS/" + program);
    // /proc names a process's executable by its resolved path.
    return resolved(path).value_or(path);
}

UpdateInstaller::Installed UpdateInstaller::install(const Staged& staged) const
{
    if (!staged.ok() || staged.stagingName.empty())
        return {"nothing staged"};
    UniqueFd applications(::open(staged.applications.c_str(), O_RDONLY | O_DIRECTORY | O_CLOEXEC));
    UniqueFd staging(applications ? ::openat(applications.get(), staged.stagingName.c_str(), kFolderFlags) : -1);
    if (!staging) {
        const int error = errno;
        discard(staged);
        return {refusalText("the staging folder is gone", error)};
    }

    struct stat st
    {
    };
    const bool replacing = ::fstatat(applications.get(), AppConfig::kMainBundle, &st, AT_SYMLINK_NOFOLLOW) == 0;
    // Only this user's processes of the installed program: not its companion (this
    // process), not another user's program of the same name.
    std::vector<AppProcesses::Process> stopped;
    if (replacing) {
        const AppProcesses processes;
        std::vector<AppProcesses::Process> running = processes.ofExecutable(installedExecutable(staged.applications));
        std::erase_if(running, [](const AppProcesses::Process& p) { return p.pid == ::getpid(); });
        if (!processes.stop(running).empty()) {
            discard(staged);
            return {"the program still runs"};
        }
        stopped = std::move(running);
    }

    // One step: the applications folder holds the old bundle or the new one, never
    // neither, whenever this process is killed.
    const int rc = replacing ? ::renameat2(applications.get(), AppConfig::kMainBundle, staging.get(),
                                           AppConfig::kMainBundle, RENAME_EXCHANGE)
                             : ::renameat2(staging.get(), AppConfig::kMainBundle, applications.get(),
                                           AppConfig::kMainBundle, RENAME_NOREPLACE);
    if (rc != 0) {
        const int error = errno;
        discard(staged);
        if (!stopped.empty())
            launch();
        return {refusalText("the bundles could not be exchanged", error)};
    }

    // The old copy now lies in staging.
    discard(staged);
    UniqueFd documents(::open(m_places.documents.c_str(), O_RDONLY | O_DIRECTORY | O_CLOEXEC));
    struct stat archive
    {
    };
    if (documents && ::fstatat(documents.get(), AppConfig::kUpdateArchive, &archive, AT_SYMLINK_NOFOLLOW) == 0 &&
        archive.st_dev == staged.archiveDevice && archive.st_ino == staged.archiveInode) {
        ::unlinkat(documents.get(), AppConfig::kUpdateArchive, 0);
        const std::string sidecar = lastComponent(UpdateSignature::sidecarPath(AppConfig::kUpdateArchive));
        ::unlinkat(documents.get(), sidecar.c_str(), 0);
    }
    return {};
}

bool UpdateInstaller::launch() const
{
    const auto applications = resolved(m_places.applications);
    if (!applications)
        return false;
    return ProgramRun::startDetached({installedExecutable(*applications)});
}

int UpdateInstaller::removeLeftovers(const std::string& applications)
{
    UniqueFd folder(::open(applications.c_str(), O_RDONLY | O_DIRECTORY | O_CLOEXEC));
    if (!folder)
        return 0;
    std::vector<std::string> names;
    DirectoryReader::listNames(folder.get(), names);
    int removed = 0;
    const std::string_view prefix = kStagingPrefix;
    for (const std::string& name : names) {
        struct stat st
        {
        };
        if (name.compare(0, prefix.size(), prefix) != 0 ||
            ::fstatat(folder.get(), name.c_str(), &st, AT_SYMLINK_NOFOLLOW) != 0 || !S_ISDIR(st.st_mode) ||
            st.st_uid != ::getuid())
            continue;
        if (SafeRemover::removeAt(folder.get(), name, &st).ok())
            ++removed;
    }
    return removed;
}

} // namespace corvane
