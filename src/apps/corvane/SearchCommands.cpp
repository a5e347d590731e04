// SPDX-License-Identifier: GPL-3.0-or-later
// The search commands: large, dups, size, hash. They drive the same engines and
// fingerprints the screens use and print what the engines notify, one JSON object per
// line, with the notification keys as JSON keys. Progress goes to standard error.

#include "Command.h"

#include "common/QSWebUtility.h"
#include "common/SerialQueue.h"
#include "common/ThreadHandOff.h"
#include "duplicates/engine/QSDuplicationHelper.h"
#include "largefiles/engine/LargeFilesHelper.h"
#include "platform/ByteText.h"
#include "platform/FileChecks.h"
#include "platform/TreeSize.h"

#include <QSemaphore>

#include <algorithm>
#include <atomic>
#include <cerrno>
#include <chrono>
#include <csignal>
#include <cstdio>
#include <cstdlib>
#include <cstring>
#include <map>
#include <optional>
#include <set>
#include <sys/stat.h>
#include <unistd.h>

namespace corvane::cli {

namespace {

std::atomic<bool> g_interrupted{false};

extern "C" void onInterrupt(int)
{
    g_interrupted.store(true);
}

std::optional<uint64_t> parseBytes(const std::string& text)
{
    if (text.empty() || text[0] < '0' || text[0] > '9')
        return std::nullopt;
    errno = 0;
    char* end = nullptr;
    const unsigned long long value = std::strtoull(text.c_str(), &end, 10);
    if (errno != 0 || *end != '\0')
        return std::nullopt;
    return value;
}

std::string jsonList(const std::vector<std::string>& items)
{
    std::string out = "[";
    for (size_t i = 0; i < items.size(); ++i) {
        if (i)
            out += ",";
        out += jsonString(items[i]);
    }
    return out + "]";
}

// Parsed command line of a search: options, then paths; "--" ends the options so that
// paths beginning with a dash can be given.
struct SearchArgs
{
    std::map<std::string, std::string> values; // option → value
    std::vector<std::string> flags;
    std::vector<std::string> paths;
    bool help = false;
};

// Returns an error text, or nothing when the arguments are well formed.
std::optional<std::string> parseArgs(const std::vector<std::string>& args, const std::vector<std::string>& valueOptions,
                                     const std::vector<std::string>& flagOptions, SearchArgs& out)
{
    bool optionsDone = false;
    for (size_t i = 0; i < args.size(); ++i) {
        const std::string& a = args[i];
        if (optionsDone || a.empty() || a[0] != '-' || a == "-") {
            out.paths.push_back(a);
            continue;
        }
        if (a == "--") {
            optionsDone = true;
            continue;
        }
        if (a == "--help" || a == "-h") {
            out.help = true;
            continue;
        }
        const size_t eq = a.find('=');
        const std::string name = a.substr(0, eq);
        if (std::find(valueOptions.begin(), valueOptions.end(), name) != valueOptions.end()) {
            if (eq != std::string::npos) {
                out.values[name] = a.substr(eq + 1);
            } else if (i + 1 < args.size()) {
                out.values[name] = args[++i];
            } else {
                return "option " + name + " needs a value";
            }
            continue;
        }
        if (eq == std::string::npos && std::find(flagOptions.begin(), flagOptions.end(), a) != flagOptions.end()) {
            out.flags.push_back(a);
            continue;
        }
        return "unknown option " + ByteText::forLog(a) + " (use -- before a path that begins with a dash)";
    }
    return std::nullopt;
}

// Paths on standard error are escaped for a terminal, not for JSON: a name must neither
// break a line nor reach the terminal as a control sequence.
std::string shown(const std::string& path)
{
    return ByteText::forLog(path);
}

// Tells about roots the engines would pass over in silence. Returns false for a path
// that does not exist or cannot be examined.
bool checkRoot(const char* command, const std::string& path)
{
    struct stat st;
    if (!FileChecks::lstatPath(path, st)) {
        std::fprintf(stderr, "corvane %s: %s: %s\n", command, shown(path).c_str(), std::strerror(errno));
        return false;
    }
    if (S_ISLNK(st.st_mode))
        std::fprintf(stderr, "corvane %s: %s: a symbolic link, not followed\n", command, shown(path).c_str());
    else if (!S_ISDIR(st.st_mode) && !S_ISREG(st.st_mode))
        std::fprintf(stderr, "corvane %s: %s: neither a folder nor a regular file, skipped\n", command,
                     shown(path).c_str());
    return true;
}

// Checks every root; the ones that failed are remembered so that they are not warned
// about twice.
struct Roots
{
    bool error = false;
    std::set<std::string> failed;
};

Roots checkRoots(const char* command, const std::vector<std::string>& paths)
{
    Roots roots;
    for (const std::string& p : paths)
        if (!checkRoot(command, p)) {
            roots.error = true;
            roots.failed.insert(p);
        }
    return roots;
}

// The warning for a tree that could not be read whole, on standard error.
void warnIncomplete(const char* command, const std::string& root, bool rootUnreadable, int error,
                    const std::string& firstUnreadable)
{
    if (rootUnreadable)
        std::fprintf(stderr, "corvane %s: %s: cannot be read (%s); nothing in it is counted\n", command,
                     shown(root).c_str(), std::strerror(error));
    else
        std::fprintf(stderr, "corvane %s: %s: incomplete, %s cannot be read (%s) and is left out\n", command,
                     shown(root).c_str(), shown(firstUnreadable).c_str(), std::strerror(error));
}

// One JSON line per root the search could not read whole, {"root":PATH,"incomplete":true,
// "firstUnreadable":PATH}, to go before the finished line.
void printIncomplete(const std::vector<SearchHelperBase::IncompleteRoot>& incomplete)
{
    for (const SearchHelperBase::IncompleteRoot& r : incomplete)
        std::printf("{\"root\":%s,\"incomplete\":true,\"firstUnreadable\":%s}\n", jsonString(r.root).c_str(),
                    jsonString(r.firstUnreadable).c_str());
}

// The warnings for the same roots, once progress is done with the terminal line; true when
// a root itself could not be read, which makes the run an error.
bool warnIncompleteRoots(const char* command, const std::vector<SearchHelperBase::IncompleteRoot>& incomplete,
                         const Roots& roots)
{
    bool rootUnreadable = false;
    for (const SearchHelperBase::IncompleteRoot& r : incomplete) {
        if (!roots.failed.count(r.root))
            warnIncomplete(command, r.root, r.rootUnreadable, r.error, r.firstUnreadable);
        rootUnreadable |= r.rootUnreadable;
    }
    return rootUnreadable;
}

// Coalesced progress on standard error: on a terminal one line rewritten ten times a
// second, otherwise a line a second.
class Progress
{
public:
    explicit Progress(const char* command) : m_command(command), m_tty(::isatty(STDERR_FILENO) == 1) {}

    void examined(const std::string& path, uint64_t found)
    {
        ++m_count;
        const auto now = std::chrono::steady_clock::now();
        if (now < m_next)
            return;
        m_next = now + (m_tty ? std::chrono::milliseconds(100) : std::chrono::milliseconds(1000));
        std::fprintf(stderr, "%scorvane %s: %llu examined, %llu found: %s%s", m_tty ? "\r\033[K" : "", m_command,
                     static_cast<unsigned long long>(m_count), static_cast<unsigned long long>(found),
                     shown(path).c_str(), m_tty ? "" : "\n");
    }

    void done(uint64_t found)
    {
        std::fprintf(stderr, "%scorvane %s: %llu examined, %llu found%s\n", m_tty ? "\r\033[K" : "", m_command,
                     static_cast<unsigned long long>(m_count), static_cast<unsigned long long>(found),
                     g_interrupted.load() ? " (interrupted)" : "");
    }

private:
    const char* m_command;
    bool m_tty;
    uint64_t m_count = 0;
    std::chrono::steady_clock::time_point m_next{};
};

// Waits for the end-of-run notification; an interrupt stops the engine, which still
// ends its run properly.
template <typename Engine>
void runUntilFinished(Engine& engine, QSemaphore& finished)
{
    g_interrupted.store(false);
    struct sigaction sa = {};
    sa.sa_handler = onInterrupt;
    ::sigaction(SIGINT, &sa, nullptr);
    ::sigaction(SIGTERM, &sa, nullptr);
    engine.startSearch();
    bool stopped = false;
    while (!finished.tryAcquire(1, 100)) {
        if (g_interrupted.load() && !stopped) {
            engine.stopSearch();
            stopped = true;
        }
    }
    ThreadHandOff::acquired(&finished);
    engine.waitForSearch();
    ::signal(SIGINT, SIG_DFL);
    ::signal(SIGTERM, SIG_DFL);
}

void useLargeOutputBuffer()
{
    static char buffer[1 << 16];
    std::setvbuf(stdout, buffer, _IOFBF, sizeof buffer);
}

int large(const std::vector<std::string>& args)
{
    SearchArgs a;
    if (auto error = parseArgs(args, {"--min", "--max"}, {"-q", "--quiet"}, a)) {
        std::fprintf(stderr, "corvane large: %s\n", error->c_str());
        return kError;
    }
    if (a.help) {
        std::printf("usage: corvane large [--min BYTES] [--max BYTES] [-q] [--] PATH...\n\n"
                    "Finds files, and file packages taken whole, of at least 10000000 bytes (or --min\n"
                    "when larger) and at most --max when that is above the minimum. Packages are also\n"
                    "searched inside; names beginning with \".\" or \"__MACOSX\" are skipped; links are\n"
                    "never followed. Prints a JSON line {\"%s\":SIZE,\"%s\":[PATH]} per hit\n"
                    "as it is found, then {\"%s\":true}. Progress on standard error (-q: none).\n"
                    "A root that could not be read whole adds {\"root\":PATH,\"incomplete\":true,\n"
                    "\"firstUnreadable\":PATH} before the last line and a warning on standard error.\n"
                    "%s"
                    "Exit status: 0 found, 1 nothing found, 2 error (a PATH missing or unreadable).\n",
                    kQSLargesFileSizeKey, kQSLargesFileListKey, kQSLargesFinishedKey, kPathsInJsonHelp);
        return kFound;
    }
    if (a.paths.empty()) {
        std::fprintf(stderr, "corvane large: no PATH given (see corvane large --help)\n");
        return kError;
    }
    LargeFilesHelper engine;
    for (const char* option : {"--min", "--max"}) {
        if (!a.values.count(option))
            continue;
        const auto bytes = parseBytes(a.values[option]);
        if (!bytes) {
            std::fprintf(stderr, "corvane large: %s wants a number of bytes, not %s\n", option,
                         shown(a.values[option]).c_str());
            return kError;
        }
        std::strcmp(option, "--min") == 0 ? engine.setMinFileSize(*bytes) : engine.setMaxFileSize(*bytes);
    }
    const Roots roots = checkRoots("large", a.paths);
    bool error = roots.error;

    const bool quiet = !a.flags.empty();
    useLargeOutputBuffer();
    SerialQueue queue("corvane.large");
    engine.setNotificationQueue(&queue);
    engine.setSearchPaths(a.paths);
    Progress progress("large");
    uint64_t hits = 0;
    std::vector<SearchHelperBase::IncompleteRoot> incomplete;
    QSemaphore finished;
    QObject::connect(&engine, &LargeFilesHelper::largePath, queue.context(), [&](const LargePathInfo& info) {
        if (!quiet)
            progress.examined(info.filePath, hits);
    });
    QObject::connect(&engine, &LargeFilesHelper::largesNotification, queue.context(),
                     [&](const LargesNotificationInfo& info) {
                         if (info.finished) {
                             incomplete = engine.incompleteRoots();
                             printIncomplete(incomplete);
                             std::printf("{\"%s\":%s}\n", kQSLargesFinishedKey, *info.finished ? "true" : "false");
                             std::fflush(stdout);
                             ThreadHandOff::released(&finished);
                             finished.release();
                             return;
                         }
                         ++hits;
                         std::printf("{\"%s\":%llu,\"%s\":%s}\n", kQSLargesFileSizeKey,
                                     static_cast<unsigned long long>(info.fileSize.value_or(0)), kQSLargesFileListKey,
                                     jsonList(info.fileList.value_or(std::vector<std::string>{})).c_str());
                     });
    runUntilFinished(engine, finished);
    queue.drain();
    if (!quiet)
        progress.done(hits);
    error |= warnIncompleteRoots("large", incomplete, roots);
    if (error || g_interrupted.load())
        return kError;
    return hits ? kFound : kNothing;
}

int dups(const std::vector<std::string>& args)
{
    SearchArgs a;
    if (auto error = parseArgs(args, {}, {"-q", "--quiet"}, a)) {
        std::fprintf(stderr, "corvane dups: %s\n", error->c_str());
        return kError;
    }
    if (a.help) {
        std::printf("usage: corvane dups [-q] [--] PATH...\n\n"
                    "Finds groups of files of at least 1024 bytes with equal size and equal sampled\n"
                    "fingerprint (three 4096-byte samples); application packages and product folders\n"
                    "are compared whole by their listing. Two names of one file (hard links, bind\n"
                    "mounts) are never a group. At the end prints one JSON line per group,\n"
                    "{\"%s\":SIZE,\"%s\":HEX,\"%s\":[PATH,...]}, largest first,\n"
                    "then {\"%s\":true}. Progress on standard error (-q: none).\n"
                    "A root that could not be read whole adds {\"root\":PATH,\"incomplete\":true,\n"
                    "\"firstUnreadable\":PATH} before the last line and a warning on standard error.\n"
                    "%s"
                    "Exit status: 0 found, 1 nothing found, 2 error (a PATH missing or unreadable).\n",
                    kQSDuplicationFileSizeKey, kQSDuplicationFileHashKey, kQSDuplicationFileListKey,
                    kQSDuplicationFinishedKey, kPathsInJsonHelp);
        return kFound;
    }
    if (a.paths.empty()) {
        std::fprintf(stderr, "corvane dups: no PATH given (see corvane dups --help)\n");
        return kError;
    }
    const Roots roots = checkRoots("dups", a.paths);
    bool error = roots.error;

    const bool quiet = !a.flags.empty();
    useLargeOutputBuffer();
    QSDuplicationHelper engine;
    SerialQueue queue("corvane.dups");
    engine.setNotificationQueue(&queue);
    engine.setSearchPaths(a.paths);
    Progress progress("dups");
    // A group's notification repeats with the full list each time it grows: keep the latest.
    std::map<std::pair<uint64_t, std::string>, std::vector<std::string>> groups;
    QSemaphore finished;
    QObject::connect(&engine, &QSDuplicationHelper::resultPath, queue.context(), [&](const ResultPathInfo& info) {
        if (!quiet)
            progress.examined(info.filePath, groups.size());
    });
    QObject::connect(&engine, &QSDuplicationHelper::duplicationNotification, queue.context(),
                     [&](const DuplicationNotificationInfo& info) {
                         if (info.finished) {
                             ThreadHandOff::released(&finished);
                             finished.release();
                             return;
                         }
                         if (info.fileSize && info.fileHash && info.fileList)
                             groups[{*info.fileSize, *info.fileHash}] = *info.fileList;
                     });
    runUntilFinished(engine, finished);
    queue.drain();
    std::vector<std::pair<std::pair<uint64_t, std::string>, std::vector<std::string>>> sorted(groups.begin(),
                                                                                               groups.end());
    std::stable_sort(sorted.begin(), sorted.end(),
                     [](const auto& x, const auto& y) { return x.first.first > y.first.first; });
    for (const auto& [key, list] : sorted)
        std::printf("{\"%s\":%llu,\"%s\":%s,\"%s\":%s}\n", kQSDuplicationFileSizeKey,
                    static_cast<unsigned long long>(key.first), kQSDuplicationFileHashKey,
                    jsonString(key.second).c_str(), kQSDuplicationFileListKey, jsonList(list).c_str());
    const std::vector<SearchHelperBase::IncompleteRoot> incomplete = engine.incompleteRoots();
    printIncomplete(incomplete);
    std::printf("{\"%s\":true}\n", kQSDuplicationFinishedKey);
    std::fflush(stdout);
    if (!quiet)
        progress.done(groups.size());
    error |= warnIncompleteRoots("dups", incomplete, roots);
    if (error || g_interrupted.load())
        return kError;
    return groups.empty() ? kNothing : kFound;
}

int size(const std::vector<std::string>& args)
{
    SearchArgs a;
    if (auto error = parseArgs(args, {}, {"--disk"}, a)) {
        std::fprintf(stderr, "corvane size: %s\n", error->c_str());
        return kError;
    }
    if (a.help) {
        std::printf("usage: corvane size [--disk] [--] PATH...\n\n"
                    "Prints the size of each file or folder tree, {\"filePath\":PATH,\"size\":BYTES}:\n"
                    "the logical size of everything in it, or with --disk the allocated size. Links\n"
                    "count with their own size and are never followed; hidden files count. A tree\n"
                    "that could not be read whole adds \"incomplete\":true and \"firstUnreadable\":PATH,\n"
                    "its size counting only what was read, and is named on standard error.\n"
                    "%s"
                    "Exit status: 0 sized, 1 every path is empty, 2 error (a PATH missing or unreadable).\n",
                    kPathsInJsonHelp);
        return kFound;
    }
    if (a.paths.empty()) {
        std::fprintf(stderr, "corvane size: no PATH given (see corvane size --help)\n");
        return kError;
    }
    const bool disk = !a.flags.empty();
    bool error = false;
    uint64_t total = 0;
    for (const std::string& p : a.paths) {
        const TreeSize::Result r = TreeSize::measure(p, disk);
        if (r.rootUnreadable && (r.error == ENOENT || r.error == ENOTDIR)) {
            std::fprintf(stderr, "corvane size: %s: %s\n", shown(p).c_str(), std::strerror(r.error));
            error = true;
            continue;
        }
        total += r.bytes;
        const bool incomplete = r.incomplete || r.rootUnreadable;
        std::printf("{\"filePath\":%s,\"size\":%llu", jsonString(p).c_str(), static_cast<unsigned long long>(r.bytes));
        if (incomplete)
            std::printf(",\"incomplete\":true,\"firstUnreadable\":%s", jsonString(r.firstUnreadable).c_str());
        std::printf("}\n");
        if (incomplete) {
            std::fflush(stdout);
            warnIncomplete("size", p, r.rootUnreadable, r.error, r.firstUnreadable);
        }
        error |= r.rootUnreadable;
    }
    if (error)
        return kError;
    return total ? kFound : kNothing;
}

int hash(const std::vector<std::string>& args)
{
    if (args.size() == 1 && (args[0] == "--help" || args[0] == "-h")) {
        std::printf("usage: corvane hash KIND TEXT\n"
                    "       corvane hash --file [--] PATH...\n\n"
                    "The first form prints {\"kind\":KIND,\"hash\":HEX}, the digest of TEXT's bytes: kind 0\n"
                    "MD5, 1 SHA-1, 2 SHA-256, 3 SHA-512; any other kind has no digest (exit 1).\n"
                    "The second prints {\"filePath\":PATH,\"hash\":HEX}, the sampled fingerprint the\n"
                    "duplicate search compares (the listing fingerprint for a package).\n"
                    "%s"
                    "Exit status: 0 found, 1 nothing, 2 error.\n",
                    kPathsInJsonHelp);
        return kFound;
    }
    if (!args.empty() && args[0] == "--file") {
        std::vector<std::string> paths(args.begin() + 1, args.end());
        if (!paths.empty() && paths[0] == "--")
            paths.erase(paths.begin());
        if (paths.empty()) {
            std::fprintf(stderr, "corvane hash: --file needs a PATH\n");
            return kError;
        }
        bool any = false;
        bool error = false;
        for (const std::string& p : paths) {
            struct stat st;
            if (!FileChecks::lstatPath(p, st)) {
                std::fprintf(stderr, "corvane hash: %s: %s\n", shown(p).c_str(), std::strerror(errno));
                error = true;
                continue;
            }
            const auto digest = QSWebUtility::lazyHashFile(p);
            if (!digest) {
                std::fprintf(stderr, "corvane hash: %s: no fingerprint (empty or unreadable)\n", shown(p).c_str());
                continue;
            }
            any = true;
            std::printf("{\"filePath\":%s,\"hash\":%s}\n", jsonString(p).c_str(), jsonString(*digest).c_str());
        }
        return error ? kError : any ? kFound : kNothing;
    }
    if (args.size() != 2) {
        std::fprintf(stderr, "usage: corvane hash KIND TEXT (see corvane hash --help)\n");
        return kError;
    }
    const std::string& kindText = args[0];
    char* end = nullptr;
    errno = 0;
    const long kind = std::strtol(kindText.c_str(), &end, 10);
    if (kindText.empty() || *end != '\0' || errno != 0 || kind < INT32_MIN || kind > INT32_MAX) {
        std::fprintf(stderr, "corvane hash: KIND must be a whole number, not %s\n", shown(kindText).c_str());
        return kError;
    }
    const auto digest = QSWebUtility::hashString(args[1], static_cast<int>(kind));
    if (!digest) {
        std::fprintf(stderr, "corvane hash: kind %ld has no digest (0 MD5, 1 SHA-1, 2 SHA-256, 3 SHA-512)\n", kind);
        return kNothing;
    }
    std::printf("{\"kind\":%ld,\"hash\":%s}\n", kind, jsonString(*digest).c_str());
    return kFound;
}

Registrar largeCommand{{"large", "find files of at least ten million bytes", large}};
Registrar dupsCommand{{"dups", "find duplicate files by size and sampled fingerprint", dups}};
Registrar sizeCommand{{"size", "size of file or folder trees", size}};
Registrar hashCommand{{"hash", "digest of a text, or fingerprint of files", hash}};

} // namespace

} // namespace corvane::cli
