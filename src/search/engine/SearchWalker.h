// SPDX-License-Identifier: GPL-3.0-or-later
#pragma once

#include "platform/UniqueFd.h"

#include <QSemaphore>

#include <atomic>
#include <cstdint>
#include <fcntl.h>
#include <functional>
#include <memory>
#include <mutex>
#include <string>
#include <vector>

namespace corvane {

// The walking, filtering, throttling, stopping and draining that the large-file and the
// duplicate searches share. The engines keep their own rules (which folders are entered
// or examined as units, which names are skipped, what examining a file means); the
// walker brings the mechanics:
//
// - the walk runs on a thread of its own, never on the global pool: it blocks while five
//   examinations are pending, and examinations run on that pool, so a walker sitting on
//   a pool thread could starve its own examinations when the pool is small or busy;
// - folders are opened relative to their parent's descriptor and read with getdents64,
//   files are handed over as (open folder, name) so examinations stat and open them with
//   relative calls; no path is resolved again from the root;
// - the work list is explicit, so a tree deeper than the thread's stack is walked like
//   any other; symbolic links are never followed (folders are opened with O_NOFOLLOW);
// - files are handed to examination in small batches, each taking one unit of a
//   counting semaphore of five that the walking thread acquires, so at most five
//   examinations run at once and the walk waits while five are pending;
// - drain() takes all five units and gives them back: when it returns every
//   examination handed over has finished, notifications included;
// - a folder that cannot be opened, listed or searched is not passed over in silence:
//   the walk's report says that what it found is incomplete and names the first such
//   folder, so a search never presents a partial answer as the whole one.
class SearchWalker
{
public:
    static constexpr int kConcurrentExaminations = 5;

    // An open folder through which handed-over entries are named.
    struct Folder
    {
        Folder(UniqueFd descriptor, std::string folderPath) : fd(std::move(descriptor)), path(std::move(folderPath)) {}
        UniqueFd fd;
        std::string path;
    };

    // One entry handed to examination: a regular file, or a folder taken as one unit.
    struct Item
    {
        std::shared_ptr<Folder> folder; // null: `path` is used as it stands
        std::string path;               // the full path, as notifications carry it
        uint32_t nameOffset = 0;        // where the name relative to `folder` starts
        bool isFolder = false;

        int dirFd() const { return folder ? folder->fd.get() : AT_FDCWD; }
        const char* name() const { return path.c_str() + nameOffset; }
    };
    using Batch = std::vector<Item>;

    enum FolderAction : unsigned { Ignore = 0, Examine = 1, Enter = 2 };

    struct Rules
    {
        // Asked for every folder the walk reaches, roots included: examine it as one
        // item, enter it, both or neither.
        std::function<unsigned(const std::string& folderPath)> folder;
        // Whether a child entry with this name is looked at (roots are always looked at).
        std::function<bool(const char* name)> acceptName;
        // Examines a batch in order; runs on the global pool.
        std::function<void(Batch& batch)> examine;
    };

    // What one walk could not read. A folder that vanished or was replaced by a link
    // while the walk went on is no failure: there was nothing left to read.
    struct Report
    {
        bool incomplete = false;     // something at or below the root could not be read
        bool rootUnreadable = false; // the root folder itself could not be opened or listed
        int error = 0;               // errno of the first failure
        std::string firstUnreadable; // the folder it happened in
        uint64_t unreadableFolders = 0;
    };

    SearchWalker();
    // Stops and waits for every run started, one that started its successor from its
    // own end included. Only a walker destroyed from inside its own run cannot wait: the
    // runs go on after the destructor.
    ~SearchWalker();
    SearchWalker(const SearchWalker&) = delete;
    SearchWalker& operator=(const SearchWalker&) = delete;

    // Runs fn on a thread of its own, once the earlier run has returned; never blocks
    // the caller, also when called from inside the earlier run.
    void runInBackground(std::function<void()> fn);
    // Waits until the run started last, and so every run before it, has returned (from
    // inside a run it returns at once).
    void waitForRun();

    // Walks one item: a folder with the folder rule, or a regular file handed over by
    // itself, and tells what it could not read. Returns early once stop() is called;
    // what was handed over still runs.
    Report walk(const std::string& path, bool isDirectory, const Rules& rules);
    // Returns once every examination handed over has finished.
    void drain();

    void stop() { m_stop.store(true, std::memory_order_relaxed); }
    void clearStop() { m_stop.store(false, std::memory_order_relaxed); }
    bool isStopped() const { return m_stop.load(std::memory_order_relaxed); }

    // Nested and repeated roots collapse into their outermost root. Each root is compared
    // with every other root, links resolved in both, one after the other, and is replaced
    // by a root it lies inside; the kept strings are the caller's. Paths are compared by
    // whole components, so /U/ab is not taken to lie inside /U/a. A root that will not be
    // walked (a link, a missing path) absorbs nothing: what lies inside it would be lost.
    static std::vector<std::string> reduceRoots(const std::vector<std::string>& roots);
    // Full paths of the folder's immediate entries that acceptName keeps, in listing
    // order; nothing for an unreadable folder.
    static std::vector<std::string> listFolder(const std::string& folder,
                                               const std::function<bool(const char* name)>& acceptName);
    // The name rule both searches use: neither "." nor "__MACOSX" at the start.
    static bool isVisibleName(const char* name);
    // True when `inner` is `outer` or lies below it, comparing whole components.
    static bool pathIsInside(const std::string& inner, const std::string& outer);

private:
    void handOff(Batch& batch, const Rules& rules);

    QSemaphore m_semaphore{kConcurrentExaminations};
    std::atomic<bool> m_stop{false};
    struct Run;
    std::mutex m_runMutex;
    std::shared_ptr<Run> m_lastRun; // joined by the run after it, or by the destructor
};

} // namespace corvane
