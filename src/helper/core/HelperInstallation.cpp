// SPDX-License-Identifier: GPL-3.0-or-later
#include "helper/core/HelperInstallation.h"

#include "helper/core/HelperResources.h"
#include "platform/UniqueFd.h"

#include <cerrno>
#include <cstdio>
#include <cstdlib>
#include <cstring>
#include <fcntl.h>
#include <functional>
#include <random>
#include <spawn.h>
#include <sys/stat.h>
#include <sys/wait.h>
#include <unistd.h>
#include <vector>

extern char** environ;

namespace corvane::helper {

namespace {

std::string joinRoot(const std::string& root, const char* absolute)
{
    if (root.empty() || root == "/")
        return absolute;
    std::string joined = root;
    while (joined.size() > 1 && joined.back() == '/')
        joined.pop_back();
    return joined + absolute;
}

std::string errorText(const std::string& what, int error)
{
    return what + ": " + std::strerror(error);
}

// Opens a folder, making the missing ones on the way (0755, as mkdir -p does).
UniqueFd openFolderMaking(const std::string& path)
{
    UniqueFd current(::open("/", O_RDONLY | O_DIRECTORY | O_CLOEXEC));
    size_t start = 0;
    while (current && start < path.size()) {
        size_t end = path.find('/', start);
        if (end == std::string::npos)
            end = path.size();
        const std::string part = path.substr(start, end - start);
        start = end + 1;
        if (part.empty() || part == ".")
            continue;
        if (::mkdirat(current.get(), part.c_str(), 0755) != 0 && errno != EEXIST)
            return UniqueFd();
        current = UniqueFd(::openat(current.get(), part.c_str(), O_RDONLY | O_DIRECTORY | O_CLOEXEC));
    }
    return current;
}

bool copyAll(int from, int to)
{
    char buffer[65536];
    for (;;) {
        const ssize_t n = ::read(from, buffer, sizeof buffer);
        if (n < 0 && errno == EINTR)
            continue;
        if (n < 0)
            return false;
        if (n == 0)
            return true;
        if (!writeAll(to, buffer, static_cast<size_t>(n)))
            return false;
    }
}

// Writes a file of the folder under a fresh temporary name (never through anything
// already there), gives it its mode and root as its owner, and renames it into place.
bool installFile(int folder, const std::string& name, mode_t mode, const std::function<bool(int)>& fill,
                 std::string& message)
{
    std::random_device random;
    for (int attempt = 0; attempt < 16; ++attempt) {
        char suffix[32];
        std::snprintf(suffix, sizeof suffix, ".corvane-%08x", random());
        const std::string temporary = "." + name + suffix;
        UniqueFd fd(::openat(folder, temporary.c_str(), O_WRONLY | O_CREAT | O_EXCL | O_NOFOLLOW | O_CLOEXEC, 0600));
        if (!fd && errno == EEXIST)
            continue;
        if (!fd) {
            message = errorText("cannot create " + name, errno);
            return false;
        }
        // The mode is set outright: pkexec's umask must not leave the policy unreadable to
        // polkitd or the units to systemd.
        const bool ok = fill(fd.get()) && ::fchmod(fd.get(), mode) == 0 &&
                        (::geteuid() != 0 || ::fchown(fd.get(), 0, 0) == 0) && ::fsync(fd.get()) == 0;
        const int error = errno;
        fd.reset();
        if (!ok || ::renameat(folder, temporary.c_str(), folder, name.c_str()) != 0) {
            message = errorText("cannot write " + name, ok ? errno : error);
            ::unlinkat(folder, temporary.c_str(), 0);
            return false;
        }
        return true;
    }
    message = "cannot create a temporary file for " + name;
    return false;
}

bool installText(const std::string& folderPath, const std::string& name, const char* text, std::string& message)
{
    UniqueFd folder = openFolderMaking(folderPath);
    if (!folder) {
        message = errorText("cannot open " + folderPath, errno);
        return false;
    }
    return installFile(
        folder.get(), name, 0644, [&](int fd) { return writeAll(fd, text, std::strlen(text)); }, message);
}

// Runs systemctl with these arguments (an argument vector, no shell) and waits for it.
bool systemctl(const HelperInstallation::Options& options, const std::vector<std::string>& arguments,
               std::string& message)
{
    std::string program = "systemctl";
    if (!options.systemctlFromPath) {
        program = ::access("/usr/bin/systemctl", X_OK) == 0 ? "/usr/bin/systemctl" : "/bin/systemctl";
    }
    std::vector<char*> argv;
    argv.push_back(program.data());
    std::vector<std::string> copies = arguments;
    for (std::string& a : copies)
        argv.push_back(a.data());
    argv.push_back(nullptr);
    pid_t pid = -1;
    const int rc = options.systemctlFromPath
                       ? ::posix_spawnp(&pid, program.c_str(), nullptr, nullptr, argv.data(), environ)
                       : ::posix_spawn(&pid, program.c_str(), nullptr, nullptr, argv.data(), environ);
    std::string line = "systemctl";
    for (const std::string& a : arguments)
        line += " " + a;
    if (rc != 0) {
        message = errorText("cannot run " + line, rc);
        return false;
    }
    int status = 0;
    while (::waitpid(pid, &status, 0) < 0 && errno == EINTR) {
    }
    if (!WIFEXITED(status) || WEXITSTATUS(status) != 0) {
        message = line + " failed";
        return false;
    }
    return true;
}

bool systemdIsInit(const HelperInstallation::Options& options, std::string& message)
{
    // sd_booted()'s own test, below the chosen root.
    struct stat st;
    if (::lstat(joinRoot(options.root, "/run/systemd/system").c_str(), &st) == 0 && S_ISDIR(st.st_mode))
        return true;
    message = "systemd is not the init system here: the helper runs as a systemd service and was not "
              "installed or removed";
    return false;
}

} // namespace

HelperInstallation::Options HelperInstallation::fromEnvironment()
{
    Options options;
    const char* root = std::getenv("CORVANE_HELPER_INSTALL_ROOT");
    if (root && *root && !std::getenv("PKEXEC_UID")) {
        options.root = root;
        options.systemctlFromPath = true;
    }
    return options;
}

int HelperInstallation::install(const Options& options, std::string& message)
{
    if (!systemdIsInit(options, message))
        return 1;

    UniqueFd self(::open("/proc/self/exe", O_RDONLY | O_CLOEXEC));
    struct stat selfStat;
    if (!self || ::fstat(self.get(), &selfStat) != 0 || !S_ISREG(selfStat.st_mode)) {
        message = errorText("cannot read the running executable", errno);
        return 1;
    }
    const std::string executable = joinRoot(options.root, kInstalledExecutable);
    const std::string libexec = executable.substr(0, executable.rfind('/'));
    UniqueFd libexecFolder = openFolderMaking(libexec);
    if (!libexecFolder) {
        message = errorText("cannot open " + libexec, errno);
        return 1;
    }
    if (!installFile(
            libexecFolder.get(), "corvane-helper", 0755,
            [&](int fd) { return ::lseek(self.get(), 0, SEEK_SET) == 0 && copyAll(self.get(), fd); }, message))
        return 1;

    const std::string units = joinRoot(options.root, kUnitFolder);
    if (!installText(units, resources::kSocketUnitName, resources::kSocketUnit, message) ||
        !installText(units, resources::kServiceUnitName, resources::kServiceUnit, message) ||
        !installText(joinRoot(options.root, kPolicyFolder), resources::kPolicyName, resources::kPolicy, message))
        return 1;

    if (!systemctl(options, {"daemon-reload"}, message) ||
        !systemctl(options, {"enable", "--now", resources::kSocketUnitName}, message))
        return 1;
    message = "installed " + executable;
    return 0;
}

int HelperInstallation::uninstall(const Options& options, std::string& message)
{
    if (!systemdIsInit(options, message))
        return 1;
    // Not installed, or half: the files still go.
    std::string ignored;
    systemctl(options, {"disable", "--now", resources::kSocketUnitName, resources::kServiceUnitName}, ignored);

    const std::string units = joinRoot(options.root, kUnitFolder);
    const std::string files[] = {
        units + "/" + resources::kSocketUnitName,
        units + "/" + resources::kServiceUnitName,
        joinRoot(options.root, kPolicyFolder) + "/" + resources::kPolicyName,
        joinRoot(options.root, kInstalledExecutable),
    };
    int status = 0;
    for (const std::string& file : files) {
        if (::unlink(file.c_str()) != 0 && errno != ENOENT) {
            message = errorText("cannot remove " + file, errno);
            status = 1;
        }
    }
    if (!systemctl(options, {"daemon-reload"}, status == 0 ? message : ignored))
        status = 1;
    if (status == 0)
        message = "removed";
    return status;
}

} // namespace corvane::helper
